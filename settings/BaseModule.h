// The plug-in's own module, recorded when the library loads.
#pragma once

#include "ModuleServices.h"

HINSTANCE PluginInstance();
