#include "Fakes.h"
#include "link/ComPortPath.h"

#include <cstdlib>

#include <gtest/gtest.h>

TEST(StartUp, showsRtOffInRedAndSendsNothing) {
    CoreHarness h; // runs Form_Load
    EXPECT_EQ(h.boxes.texts[TextBox::RTState], "RT OFF");
    EXPECT_EQ(h.boxes.colours[TextBox::RTState], (Rgb{255, 0, 0}));
    EXPECT_EQ(h.form.linkActive, 0);
    EXPECT_EQ(h.form.blockActive, 0);
    EXPECT_EQ(h.form.comPort, 0);
    EXPECT_TRUE(h.serial.log.empty());
    EXPECT_TRUE(h.canvas.ops.empty());
    EXPECT_EQ(h.form.veTable, VeTable{});
}

TEST(StartUp, choosingAComPortOnlyStoresItsNumber) {
    CoreHarness h;
    h.form.mnuComPort_Click(7);
    EXPECT_EQ(h.form.comPort, 7);
    EXPECT_TRUE(h.serial.log.empty());
}

TEST(ComPortPath, environmentOverridesThePlatformDefault) {
    EXPECT_EQ(ComPortPath(0), "");
    EXPECT_EQ(ComPortPath(21), "");
    ::setenv("TVX_COM4", "/dev/pts/9", 1);
    EXPECT_EQ(ComPortPath(4), "/dev/pts/9");
    ::setenv("TVX_COM4", "", 1);
    EXPECT_EQ(ComPortPath(4), "/dev/ttyS3");
    ::unsetenv("TVX_COM4");
    EXPECT_EQ(ComPortPath(20), "/dev/ttyS19");
}
