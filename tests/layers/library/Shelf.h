#pragma once

#include "model/Time.h"
#include "store/CaptureStore.h"
#include "ui/Badge.h"
#include "values/Colour.h"
