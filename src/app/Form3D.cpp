// Construction and start-up of the main window's core.
#include "app/Form3D.h"

Form3D::Form3D(Release release, Platform platform) : release_(release), io_(platform) {}

void Form3D::Form_Load() {
    blockActive = 0;
    SetRealTime(false);
    linkActive = 0;
}
