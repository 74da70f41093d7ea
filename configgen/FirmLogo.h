#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// The animated logo of the generator's left panel, drawn and encoded when the
// form is first shown.

constexpr int kLogoWidth = 119;
constexpr int kLogoHeight = 70;
// Time each frame stays, in hundredths of a second.
constexpr int kLogoFrameDelay = 12;

// The frames: indexed images of kLogoWidth x kLogoHeight sharing one colour table.
QList<QImage> FirmLogoFrames();

// The frames as an animated GIF that loops forever, kLogoFrameDelay each.
QByteArray FirmLogoGif();
