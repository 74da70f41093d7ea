#pragma once

#include <QBuffer>
#include <QLabel>
#include <QMovie>
#include <functional>
#include <memory>

// A picture played from a GIF (its own frame timer); clickable.
class TAnimatedImage : public QLabel {
  Q_OBJECT

 public:
  explicit TAnimatedImage(QWidget* parent = nullptr);
  ~TAnimatedImage() override;

  // The GIF from a file or a resource (":/..."), or from bytes.
  bool loadFile(const QString& fileName);
  bool loadData(const QByteArray& gif);
  // The GIF is made by the function when the picture is first shown: nothing
  // is drawn or encoded for a window that nobody opens.
  void loadDataWhenShown(std::function<QByteArray()> makeGif);

  bool animate() const { return animate_; }
  void setAnimate(bool on);
  int frameCount() const;
  QMovie* movie() const { return movie_.get(); }

  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool start();

  std::unique_ptr<QBuffer> buffer_;
  std::unique_ptr<QMovie> movie_;
  QByteArray data_;
  std::function<QByteArray()> makeGif_;
  bool animate_ = true;
};
