// The plug-in's own module, recorded when the library loads.
#pragma once

#include "ModuleServices.h"
#include "ModuleState.h"

HINSTANCE PluginInstance();

// The dialog framework's state of this library; windows of the plug-in run
// with it current.
AFX_MODULE_STATE* PluginModuleState();
