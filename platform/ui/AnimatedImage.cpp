#include "AnimatedImage.h"

#include <QMouseEvent>

#include "Guard.h"

TAnimatedImage::TAnimatedImage(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignCenter); }

TAnimatedImage::~TAnimatedImage() {
  setMovie(nullptr);
  movie_.reset();
}

bool TAnimatedImage::loadFile(const QString& fileName) {
  setMovie(nullptr);
  buffer_.reset();
  movie_ = std::make_unique<QMovie>(fileName, QByteArray("gif"));
  return start();
}

bool TAnimatedImage::loadData(const QByteArray& gif) {
  setMovie(nullptr);
  movie_.reset();
  data_ = gif;
  buffer_ = std::make_unique<QBuffer>(&data_);
  buffer_->open(QIODevice::ReadOnly);
  movie_ = std::make_unique<QMovie>(buffer_.get(), QByteArray("gif"));
  return start();
}

void TAnimatedImage::loadDataWhenShown(std::function<QByteArray()> makeGif) {
  makeGif_ = std::move(makeGif);
  if (isVisible()) showEvent(nullptr);
}

void TAnimatedImage::showEvent(QShowEvent* event) {
  if (event) QLabel::showEvent(event);
  if (!makeGif_) return;
  const std::function<QByteArray()> make = std::move(makeGif_);
  makeGif_ = nullptr;
  loadData(make());
}

bool TAnimatedImage::start() {
  if (!movie_->isValid()) return false;
  setMovie(movie_.get());
  movie_->jumpToFrame(0);
  if (animate_) movie_->start();
  return true;
}

void TAnimatedImage::setAnimate(bool on) {
  animate_ = on;
  if (!movie_) return;
  if (on)
    movie_->start();
  else
    movie_->setPaused(true);
}

int TAnimatedImage::frameCount() const { return movie_ ? movie_->frameCount() : 0; }

void TAnimatedImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) guarded(OnClick);
  QLabel::mouseReleaseEvent(event);
}
