#pragma once

#include "values/RestartableTimer.h"
