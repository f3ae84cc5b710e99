// For tests of the report writer only.
#pragma once

#include <functional>
#include <string>

/// Has every report write (and ReplaceFileWith) call hook with the path once its
/// temporary file is complete, just before it is put in place; an empty
/// hook ends that.
void SetBeforeRenameHookForTesting(std::function<void(const std::string&)> hook);
