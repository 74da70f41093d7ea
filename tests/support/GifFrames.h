#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// The frames Qt's GIF reader decodes from the bytes, as RGB32; the delay of the
// last frame read (milliseconds) and the loop count (-1: without end) on request.
QList<QImage> decodeGifFrames(const QByteArray& gif, int* delay = nullptr, int* loops = nullptr);
