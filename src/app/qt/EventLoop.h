// The event loop the window runs on, chosen before the application object exists.
#pragma once

#include <QByteArray>

// Qt's own dispatcher rather than GLib's: at 360 receive events a second GLib's costs about a
// fifth more CPU, and nothing here needs its loop (the file dialogs are Qt's own).
inline void ChooseEventLoop() {
    qputenv("QT_NO_GLIB", QByteArray("1"));
}
