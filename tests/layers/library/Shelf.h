#pragma once

#include "model/Time.h"
#include "store/CaptureStore.h"
#include "values/Colour.h"
#include "ui/Badge.h"
