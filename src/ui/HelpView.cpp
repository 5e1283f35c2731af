// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HelpView.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace orv::ui {

CHelpView::CHelpView(QString helpFolder, Actions actions, QWidget* parent)
    : QTextBrowser(parent), helpFolder_(std::move(helpFolder)), actions_(std::move(actions)) {
  setObjectName(QStringLiteral("helpView"));
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setHtml(QStringLiteral("<body></body>"));
  connect(this, &QTextBrowser::anchorClicked, this, &CHelpView::FollowLink);
}

void CHelpView::ShowFile(const QString& path) {
  QUrl url = QUrl::fromLocalFile(path);
  if (source().adjusted(QUrl::RemoveFragment) == url)
    reload();
  else
    setSource(url);
}

void CHelpView::AddNote(const QString& html) {
  QString page = toHtml();
  // After the page's first heading, else at the top of its body.
  static const QRegularExpression kAnchor(QStringLiteral("</h[1-6]>|<body[^>]*>"),
                                          QRegularExpression::CaseInsensitiveOption);
  QRegularExpressionMatch at = kAnchor.match(page);
  page.insert(at.hasMatch() ? at.capturedEnd() : 0, html);
  // setHtml keeps source(): the links still resolve and the page still counts as shown.
  setHtml(page);
}

QString CHelpView::shownFile() const {
  return source().isLocalFile() ? source().toLocalFile() : QString();
}

void CHelpView::FollowLink(const QUrl& link) {
  QString scheme = link.scheme();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
      scheme == QLatin1String("mailto")) {
    // Web addresses never load into the help view: they belong to the browser.
    if (actions_.openInBrowser) actions_.openInBrowser(link.toString());
    return;
  }
  if (!scheme.isEmpty() && scheme != QLatin1String("file")) return;
  QString target = link.isLocalFile() ? QFileInfo(link.toLocalFile()).fileName() : link.path();
  if (target.isEmpty()) {
    if (link.hasFragment()) scrollToAnchor(link.fragment());
    return;
  }
  if (target == QLatin1String("index.htm") || target == QLatin1String("log.html")) {
    if (actions_.openInBrowser) actions_.openInBrowser(helpFolder_ + QLatin1Char('/') + target);
    return;
  }
  if (target == QLatin1String("default")) {
    if (actions_.resetToDefaults) actions_.resetToDefaults();
    return;
  }
  if (target == QLatin1String("print")) return;
  // Any other page comes from the help folder, and only from there: a target that climbs out
  // of it or names another folder is not followed.
  if (target.contains(QLatin1String("..")) || QDir::isAbsolutePath(target)) return;
  QString path = helpFolder_ + QLatin1Char('/') + target;
  if (!QFileInfo(path).isFile()) return;
  QUrl url = QUrl::fromLocalFile(path);
  if (link.hasFragment()) url.setFragment(link.fragment());
  setSource(url);
}

}  // namespace orv::ui
