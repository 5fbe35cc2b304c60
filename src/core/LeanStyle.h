#pragma once

#include <QProxyStyle>

// The application's own style on top of whichever style the desktop chose.
// QMenuBar asks the style for its extension-button icon when it is built,
// and the stock icon is a file whose loading scans every image-format
// plugin (and libjpeg behind one of them): a drawn chevron keeps that scan
// out of start-up.
class LeanStyle : public QProxyStyle {
  public:
    explicit LeanStyle(const QString& baseStyleName) : QProxyStyle(baseStyleName) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
