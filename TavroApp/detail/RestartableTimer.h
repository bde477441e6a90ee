#pragma once

#include "shell/RestartableTimer.h"
