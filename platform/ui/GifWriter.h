#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// GIF89a animation of indexed frames of one size that share the first frame's
// colour table (at most 256 colours); each frame is shown for delayCentiseconds
// hundredths of a second and the whole repeats without end. No frames, no bytes.
QByteArray encodeAnimatedGif(const QList<QImage>& frames, int delayCentiseconds);
