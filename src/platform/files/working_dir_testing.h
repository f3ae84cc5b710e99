// For tests of the working-file directory only.
#pragma once

/// Has every rename that must not replace a folder fail with err (0: no
/// longer), as on a file system or kernel that cannot do it (EINVAL, ENOSYS).
void FailRenameNoReplaceForTesting(int err);
