// valorix: the desktop program.
#include "gui/guiapp.h"

wxIMPLEMENT_APP(valorix::gui::CValorixApp);
