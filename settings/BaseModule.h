// The plug-in's own module, recorded when the library loads.
#pragma once

#include "ModuleServices.h"
#include "ModuleState.h"

HINSTANCE PluginInstance();
