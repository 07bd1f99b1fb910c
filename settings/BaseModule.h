// The plug-in's own module, recorded when the library loads.
#pragma once

#include "platform/dialog_framework/ModuleState.h"
#include "platform/module_services/ModuleServices.h"

HINSTANCE PluginInstance();
