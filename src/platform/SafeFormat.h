#pragma once
// printf-style formatting for formats read from settings files: only integer conversions
// (d i u x X o, with flags, width and precision) take arguments; any other '%' text is
// printed as it stands, so a hostile format cannot read memory it was not given.
#include <initializer_list>
#include <string>
#include <string_view>

std::string FormatInts(std::string_view format, std::initializer_list<long long> args);
