// The main window's pictures, drawn in code: a thickness gauge (also the
// window icon), a measuring probe and the help sign.
#pragma once

#include <QImage>

QImage drawGauge(int size);
QImage drawProbe(int width, int height);
QImage drawHelpSign(int size);
