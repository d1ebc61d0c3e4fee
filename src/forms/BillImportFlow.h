#pragma once

class QWidget;

// Importing a payment bill through the window: the file dialog, the reading (with a progress
// dialog that can stop it), the preview, then the writing of what the user accepted, and a
// message with the counts. Errors are shown and nothing is written.
namespace BillImportFlow {

// Runs the whole import for the logged-in member on the open ledger.
void Run(QWidget* parent);

} // namespace BillImportFlow
