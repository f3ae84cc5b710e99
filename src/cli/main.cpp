#include "cli/xref_main.h"

int main(int argc, char** argv) { return XrefMain(argc, argv); }
