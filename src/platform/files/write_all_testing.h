// For tests of the files that replace others (-o, reports) only.
#pragma once

/// Has SealReplacement fail at step ("fchown", "fchmod" or "fsync") with
/// err, as if that call had; a null step ends that.
void FailSealStepForTesting(const char* step, int err);
