#pragma once

#include <QIcon>
#include <QImage>

// EchoDelve's own pictures, drawn in code.
namespace echodelve::ui {

// The 64 x 64, 16-colour picture in the main window's top-left corner.
QImage BackgroundPicture();

// The program icon: a speaker sending out echoes, at 48, 32 and 16 pixels.
QIcon ProgramIcon();
QImage ProgramIconImage(int size);

}  // namespace echodelve::ui
