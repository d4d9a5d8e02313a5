#pragma once
// The notebook's numbers as a CSV file for spreadsheets: one row per day record in date order,
// UTF-8 with a byte-order mark, Japanese column headers, empty cells for values not set.
#include "platform/Result.h"

#include <string>

// Fails with message 594 and the folder when the folder is no notebook, and with message 590 and
// the file when the file cannot be written.
[[nodiscard]] Result ExportNotebookCsv(const std::string& notebookFolder, const std::string& outPath);
