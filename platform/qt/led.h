// A small round indicator: grey when off, amber when on.
#pragma once

#include <QWidget>

class Led : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool on READ isOn WRITE setOn)

  public:
    explicit Led(QWidget* parent = nullptr);

    bool isOn() const { return on_; }
    void setOn(bool on);

    QSize sizeHint() const override { return {18, 18}; }

    static const QColor kOffColor;
    static const QColor kOnColor;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool on_ = false;
};
