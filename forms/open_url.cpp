#include "forms/open_url.h"

#include <QDesktopServices>
#include <QUrl>

namespace tavrel::forms {

void openUrl(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (url.isValid()) QDesktopServices::openUrl(url);
}

}  // namespace tavrel::forms
