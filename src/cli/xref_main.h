// tolvane-xref: the batch front end over the analysis engine.
#pragma once

/// Runs tolvane-xref with the process's arguments; returns the exit status.
int XrefMain(int argc, char** argv);
