#pragma once

#include "import/BillReader.h"

#include <memory>
#include <vector>

// The formats the import reads, one reader each; a new format is one more reader here.
namespace BillFormats {

// Every reader, in the order they are asked.
const std::vector<std::unique_ptr<TBillReader>>& Readers();

// Reads the file with the reader that recognises it. A file that no reader recognises is
// refused with EBillError saying so and naming what the file looked like (an empty file, a
// spreadsheet without the bill's columns, text whose first line is …).
TBill Read(const QString& path, const TBillProgress& progress = {});

} // namespace BillFormats
