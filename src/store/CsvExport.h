#pragma once
// The notebook's numbers as a CSV file for spreadsheets: one row per day record in date order,
// UTF-8 with a byte-order mark, Japanese column headers, empty cells for values not set.
#include <string>

// False with a message in `error` when the folder is no notebook or the file cannot be written.
[[nodiscard]] bool ExportNotebookCsv(const std::string& notebookFolder, const std::string& outPath,
                                     std::string* error);
