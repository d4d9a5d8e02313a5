#pragma once
// The page the main window shows. The values are the ones the program has always used.
enum class ViewMode : int { None = 0, Detail = 1, Graph = 2, List = 3, Calendar = 4 };
