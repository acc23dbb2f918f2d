// The framework's byte string: any bytes, zero bytes included.
#pragma once

#include <string>

// std::string already has the value semantics callers expect of AnsiString and holds embedded zeros.
using AnsiString = std::string;
