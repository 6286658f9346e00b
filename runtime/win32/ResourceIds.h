#pragma once
// Resource ids shared by resources.rc and the code (plain macros: the resource compiler
// reads this file too).

#define TARVOLIN_IDI_APP 1
