#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// The About box's animated logo: drawn and encoded as a GIF when the box is
// first shown.
namespace Logo {

constexpr int kWidth = 119;
constexpr int kHeight = 70;
constexpr int kFrames = 18;
constexpr int kFrameTimeMs = 100;

// The frames: indexed images of kWidth by kHeight sharing one colour table.
QList<QImage> frames();

// The frames as an endlessly repeating GIF animation, kFrameTimeMs each.
QByteArray gif();

}  // namespace Logo
