#pragma once

#include "library/Shelf.h"
#include "model/Time.h"
#include "platform/SessionBus.h"
#include "store/Database.h"
#include "values/Colour.h"
