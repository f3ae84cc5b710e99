// tolvane: the desktop program.
#include "app/tolvane_app.h"

CTolvaneApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
