#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// The animated logo of the generator's left panel, drawn and encoded at start.

constexpr int kLogoWidth = 119;
constexpr int kLogoHeight = 70;
// Time each frame stays, in hundredths of a second.
constexpr int kLogoFrameDelay = 12;

// The frames: indexed images of kLogoWidth x kLogoHeight sharing one colour table.
QList<QImage> FirmLogoFrames();

// An animated GIF that loops forever: the frames (indexed, one size, the colour
// table of the first one, at most 256 colours), each shown for the delay.
QByteArray EncodeAnimatedGif(const QList<QImage>& frames, int delayCentiseconds);

// EncodeAnimatedGif(FirmLogoFrames(), kLogoFrameDelay).
QByteArray FirmLogoGif();
