// The plug-in's own module, recorded when the library loads.
#pragma once

#include "platform/module_services/ModuleServices.h"
#include "platform/dialog_framework/ModuleState.h"

HINSTANCE PluginInstance();
