#include <cstdlib>
#include <cstdio>

#include "gui/Application.h"

int main(int argc, char** argv) { return glyphon::RunApplication(argc, argv); }
