// The terravane executable: the wx application and nothing else.
#include "app/program.h"

wxIMPLEMENT_APP(tv::app::TerravaneApp);
