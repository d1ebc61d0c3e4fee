#pragma once

class QWidget;

// Shows a form's caption as its heading, for a working form whose page is still to be built.
void AddPlaceholderPage(QWidget* form);
