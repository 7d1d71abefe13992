#pragma once

#include <QWidget>

// The maker's logo at the foot of the step column; a click opens the help page, whatever the state
// of the Help button.
class LogoImage : public QWidget {
    Q_OBJECT
public:
    explicit LogoImage(QWidget *parent);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
