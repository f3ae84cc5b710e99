// The program's resources: dialog templates, menus, accelerators, strings,
// icons, the splash bitmap and the version block.
#pragma once

#include "platform/ui/resource_types.h"
#include "res/resource.h"

/// Every resource of the program, for AfxSetResources.
const ResourceTable& TolvaneResources();
