# The program's version block, in one place: the About box reads it from the
# generated version.cpp, and the desktop file and the Debian package take
# their version from it. Values are written to C++ and desktop files as they
# stand, blanks included.
set(TOLVANE_FILE_VERSION 1.0.0.1)
set(TOLVANE_PRODUCT_VERSION 1.0.0.1)
# Name, value: the block's strings in their order.
set(TOLVANE_VERSION_STRINGS
  CompanyName      " "
  FileDescription  "Tolvane3"
  FileVersion      "3.0"
  InternalName     "Tolvane3"
  OriginalFilename "Tolvane3.exe"
  ProductName      " Tolvane3"
  ProductVersion   "3.0")
