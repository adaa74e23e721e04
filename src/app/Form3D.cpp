// Construction and start-up of the main window's core.
#include "app/Form3D.h"

Form3D::Form3D(Release release, Platform platform) : release_(release), io_(platform) {}

void Form3D::Form_Load() {
    blockActive = 0;
    io_.boxes.setText(TextBox::RTState, "RT OFF");
    io_.boxes.setTextColour(TextBox::RTState, Rgb{255, 0, 0});
    linkActive = 0;
}
