// Basic types shared by every layer: the 1-or-0 result of the program's tests.
#pragma once

typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
