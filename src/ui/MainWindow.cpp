// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "imageio/LibraryError.h"
#include "platform/AppFolder.h"
#include "platform/UserStore.h"
#include "settings/Profile.h"
#include "settings/SettingRules.h"
#include "settings/SettingValues.h"
#include "ui/CueItemDelegate.h"
#include "ui/FilesPage.h"
#include "ui/ModePage.h"
#include "ui/OutputPage.h"
#include "ui/PaintedIcons.h"
#include "ui/ProgressWindow.h"
#include "ui/SizeQualityPage.h"
#include "ui/WatchSwitch.h"
#include "ui/pages/ModePages.h"
#include "ui/pages/DisplayOrientation.h"
#include "ui/pages/PreviewPanel.h"
#include "ui/pages/SettingsPages.h"

namespace orv::ui {
namespace {

// Logical sizes of the "Current Image" pane and of the pages' detail views.
constexpr QSize kPaneSize(288, 216);
constexpr QSize kDetailViewSize(256, 192);

const char* const kTabTexts[tabs::kCount] = {
    "ORV",       "Files",    "Balance",         "Color Cast", "Details",
    "HotPixels", "Denoiser", "Size && Quality", "Extra",      "GO!"};

}  // namespace

CMainWindow::CMainWindow(std::string appFolder, std::unique_ptr<CPrompts> prompts, bool persist,
                         QWidget* parent)
    : QMainWindow(parent),
      appFolder_(std::move(appFolder)),
      prompts_(std::move(prompts)),
      persist_(persist),
      engine_(*this, appFolder_),
      pageContext_{engine_, *prompts_, this, [this](int code) { PageNotice(code); }},
      detailView_(kDetailViewSize),
      paneSize_(kPaneSize) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowIcon(PaintedIcon(IconKind::AppWindow));
  // The pages are built in Basic mode; the current profile then sets the mode.
  engine_.settings().Mode.Advanced = 0;
  PageDialogs dialogs = QtPageDialogs(this);
  dialogs.openFile = [this](const QString& title, const QString& folder, const QString& filter) {
    return prompts_->OpenFile(this, FileDialogRequest{title, folder, filter, QString(), QString()});
  };
  dialogs.askYesNo = [this](const QString& question) { return prompts_->AskYesNo(this, question); };
  settingsPages_ = new CSettingsPages(engine_, std::move(dialogs), this);
  settingsPages_->preview().SetPaneSize(paneSize_ * devicePixelRatioF());
  settingsPages_->preview().SetDetailSize(detailView_ * devicePixelRatioF());
  settingsPages_->preview().SetViewState(
      {[this] { CommitPages(); },
       [this] { return tabs_ && tabs::HasDetailView(tabs_->currentIndex()); }});
  connect(settingsPages_, &CSettingsPages::changed, this, [this] { MarkModified(); });
  connect(settingsPages_, &CSettingsPages::resetRequested, this, [this] { ResetToDefault(); });

  auto* central = new QWidget(this);
  auto* top = new QHBoxLayout;
  top->addWidget(BuildCueColumn());
  top->addWidget(BuildTabs(), 1);
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(top, 1);
  layout->addWidget(BuildCommandRow());
  setCentralWidget(central);
  setAcceptDrops(true);

  engine_.SetRunObserver(&finishedPhotos_);
  LoadProfile(engine_.settings(), StartingProfileFor(appFolder_));
  RefreshAllPages();
  TabChanged(tabs_->currentIndex());
  helpView()->ShowFile(QString::fromStdString(engine_.helpFolder() + "/orv1.html"));
  profileName_ = QString::fromStdString(ReadUserValue("Settings", "LastProfile"));
  UpdateTitle();
  resize(1120, 720);
  cueList_->setFocus();
}

CMainWindow::~CMainWindow() {
  // The watch's photos in work are saved before anything of the window goes.
  if (watchSwitch_) watchSwitch_->StopAndWait();
  if (persist_) WriteUserValue("Settings", "LastProfile", profileName_.toStdString());
  while (waitCursor_ > 0) SetWaitCursor(false);
}

// --- Building the window ------------------------------------------------------------------------

QWidget* CMainWindow::BuildCueColumn() {
  auto* column = new QWidget(this);
  column->setFixedWidth(kPaneSize.width() + 24);

  auto* cueLabel = new QLabel(tr("Cue List (Images for processing)"), column);
  cueList_ = new QListWidget(column);
  cueList_->setObjectName(QStringLiteral("cueList"));
  cueList_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Paths are shortened in the middle of their folder part, the file name whole; the full path
  // is each entry's tooltip.
  cueList_->setItemDelegate(new CCueItemDelegate(cueList_));
  cueList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  cueLabel->setBuddy(cueList_);
  connect(cueList_, &QListWidget::itemSelectionChanged, this, &CMainWindow::CueSelectionChanged);
  connect(cueList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (syncingCue_) return;
    engine_.queue().SetChecked(cueList_->row(item), item->checkState() == Qt::Checked);
  });

  watchSwitch_ = new CWatchSwitch(engine_, *prompts_, [this] { return WatchReady(); }, column);
  connect(watchSwitch_, &CWatchSwitch::photosTaken, this, &CMainWindow::WatchTook);
  connect(watchSwitch_, &CWatchSwitch::photoFinished, this, &CMainWindow::WatchFinished);
  connect(watchSwitch_, &CWatchSwitch::logRequested, this, [this](const QString& path) {
    SelectTab(tabs::kOrv);
    helpView()->ShowFile(path);
  });
  connect(watchSwitch_, &CWatchSwitch::stopped, this, [this] {
    if (closeAfterWatch_) close();
  });

  auto* paneHeader = new QHBoxLayout;
  auto* currentLabel = new QLabel(tr("Current Image"), column);
  QFont bold = currentLabel->font();
  bold.setBold(true);
  currentLabel->setFont(bold);
  auto* beforeLabel = new QLabel(tr("Image Before"), column);
  beforeLabel->setEnabled(false);  // a quiet caption: this is the unprocessed picture
  paneHeader->addWidget(currentLabel);
  paneHeader->addStretch(1);
  paneHeader->addWidget(beforeLabel);

  pane_ = new QLabel(column);
  pane_->setObjectName(QStringLiteral("currentImagePane"));
  pane_->setFixedSize(kPaneSize);
  pane_->setAlignment(Qt::AlignCenter);
  pane_->setWordWrap(true);
  pane_->setAutoFillBackground(true);
  QPalette pal = pane_->palette();
  pal.setColor(QPalette::Window, QColor(0x3a, 0x3d, 0x42));
  pal.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
  pane_->setPalette(pal);

  auto* info = new QGroupBox(tr("Image Info"), column);
  info->setObjectName(QStringLiteral("imageInfo"));
  auto field = [info](const char* name) {
    auto* l = new QLabel(info);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
  };
  infoSize_ = field("infoSize");
  infoModel_ = field("infoModel");
  infoShutter_ = field("infoShutter");
  infoFNumber_ = field("infoFNumber");
  infoIso_ = field("infoIso");
  infoFlash_ = field("infoFlash");
  infoFocus_ = field("infoFocus");
  infoModel_->setFont(bold);
  auto* grid = new QGridLayout(info);
  grid->addWidget(infoModel_, 0, 0, 1, 2);
  grid->addWidget(infoSize_, 1, 0);
  grid->addWidget(infoShutter_, 1, 1);
  grid->addWidget(infoFNumber_, 2, 0);
  grid->addWidget(infoIso_, 2, 1);
  grid->addWidget(infoFlash_, 3, 0);
  grid->addWidget(infoFocus_, 3, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  info->setMinimumHeight(info->sizeHint().height() + infoModel_->fontMetrics().height() * 3);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(cueLabel);
  layout->addWidget(cueList_, 1);
  layout->addWidget(watchSwitch_);
  layout->addLayout(paneHeader);
  layout->addWidget(pane_, 0, Qt::AlignHCenter);
  layout->addWidget(info);
  ClearShownImage(QString());
  return column;
}

QWidget* CMainWindow::BuildTabs() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("tabs"));
  tabs_->setUsesScrollButtons(false);
  tabs_->setDocumentMode(false);

  CHelpView::Actions help;
  help.openInBrowser = [this](const QString& target) { OpenInBrowser(target); };
  help.resetToDefaults = [this] { PageNotice(kNoticeResetDefaults); };
  modePage_ = new CModePage(pageContext_, std::move(help));
  filesPage_ = new CFilesPage(pageContext_);
  sizePage_ = new CSizeQualityPage(pageContext_);
  outputPage_ = new COutputPage(pageContext_);
  pages_[tabs::kOrv] = modePage_;
  pages_[tabs::kFiles] = filesPage_;
  pages_[tabs::kSizeQuality] = sizePage_;
  pages_[tabs::kGo] = outputPage_;

  for (int tab = 0; tab < tabs::kCount; ++tab) {
    // Tabs 2 to 6 and 8 hold the settings pages with their previews.
    QWidget* widget = pages_[size_t(tab)];
    if (!widget) widget = settingsPages_->PageForTab(tab);
    tabs_->addTab(widget, tr(kTabTexts[tab]));
  }
  tabs_->setCurrentIndex(tabs::kOrv);
  connect(tabs_, &QTabWidget::currentChanged, this, &CMainWindow::TabChanged);

  advMarker_ = new QLabel(QStringLiteral("ADV"), tabs_);
  advMarker_->setObjectName(QStringLiteral("advMarker"));
  advMarker_->setToolTip(tr("Currently in Advanced Mode"));
  advMarker_->setStyleSheet(
      QStringLiteral("QLabel { color: white; background: #d9822b; border-radius: 4px; padding: 1px "
                     "6px; font-weight: bold; }"));
  auto* corner = new QWidget(tabs_);
  auto* cornerLayout = new QHBoxLayout(corner);
  cornerLayout->setContentsMargins(4, 2, 4, 2);
  cornerLayout->addWidget(advMarker_);
  tabs_->setCornerWidget(corner, Qt::TopRightCorner);
  return tabs_;
}

QWidget* CMainWindow::BuildCommandRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto button = [&](IconKind icon, const QString& tip, const char* name, const QKeySequence& key,
                    auto&& action) {
    auto* b = new QToolButton(row);
    b->setObjectName(QLatin1String(name));
    b->setIcon(PaintedIcon(icon));
    b->setIconSize(QSize(32, 32));
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::StrongFocus);
    if (!key.isEmpty()) b->setShortcut(key);
    connect(b, &QToolButton::clicked, this, action);
    layout->addWidget(b);
    return b;
  };
  button(IconKind::LoadSettings, tr("Load Settings"), "loadSettingsButton", QKeySequence::Open,
         [this] { LoadSettings(); });
  button(IconKind::SaveSettings, tr("Save Settings"), "saveSettingsButton", QKeySequence::Save,
         [this] { SaveSettings(); });
  layout->addSpacing(24);
  button(IconKind::RotateClockwise, tr("Loseless Rotate 90 CW"), "rotateCwButton",
         QKeySequence(tr("Ctrl+R")), [this] { Rotate(RotateTurn::Clockwise); });
  button(IconKind::RotateCounterClockwise, tr("Loseless Rotate 90 CCW"), "rotateCcwButton",
         QKeySequence(tr("Ctrl+Shift+R")), [this] { Rotate(RotateTurn::CounterClockwise); });
  button(IconKind::RotateHalfTurn, tr("Loseless Rotate 180"), "rotate180Button",
         QKeySequence(tr("Ctrl+Alt+R")), [this] { Rotate(RotateTurn::HalfTurn); });
  layout->addStretch(1);
  button(IconKind::Help, tr("Help"), "helpButton", QKeySequence::HelpContents, [this] { Help(); });
  button(IconKind::Exit, tr("Exit"), "exitButton", QKeySequence(tr("Ctrl+Q")), [this] { close(); });
  return row;
}

// --- Engine host ---------------------------------------------------------------------------------

void CMainWindow::CommitPages() {
  for (CSettingsPage* page : pages_) {
    if (page) page->Commit();
  }
  settingsPages_->CommitToSettings();
}

bool CMainWindow::AskYesNo(const std::string& question) {
  return prompts_->AskYesNo(this, QString::fromStdString(question));
}

void CMainWindow::ShowMessage(const std::string& message) {
  prompts_->ShowMessage(progressWindow_ ? static_cast<QWidget*>(progressWindow_.data()) : this,
                        QString::fromStdString(message));
}

void CMainWindow::SelectTab(int tab) {
  if (tab >= 0 && tab < tabs::kCount) tabs_->setCurrentIndex(tab);
}

int CMainWindow::CurrentTab() const {
  return tabs_->currentIndex();
}

void CMainWindow::ShowHelpPage(const std::string& path) {
  helpView()->ShowFile(QString::fromStdString(path));
}

void CMainWindow::QueueChanged() {
  filesPage_->ShowQueue();
  SyncCueList();
  if (watchSwitch_) watchSwitch_->QueueChanged();
}

void CMainWindow::SetWaitCursor(bool on) {
  if (on) {
    if (waitCursor_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (waitCursor_ > 0 && --waitCursor_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

std::unique_ptr<CProgressDialog> CMainWindow::CreateProgressDialog() {
  auto window = std::make_unique<CProgressWindow>(this, [this](bool on) { SetUiEnabled(on); });
  progressWindow_ = window.get();
  return window;
}

// --- Notices -------------------------------------------------------------------------------------

void CMainWindow::PageNotice(int code) {
  switch (code) {
    case kNoticeRunAll:
      RunAllFiles();
      break;
    case kNoticeRunCurrent:
      RunCurrentImageOnly();
      break;
    case kNoticeResetDefaults:
      ResetToDefault();
      break;
    case kNoticeModeChanged:
      ModeChanged();
      break;
    case kNoticeSettingChanged:
      RefreshPreviews();
      MarkModified();
      break;
    default:  // the detail view moves the crop through MoveDetailCrop
      break;
  }
}

void CMainWindow::MarkModified() {
  if (watchSwitch_ && watchSwitch_->running()) {
    CommitPages();
    watchSwitch_->SettingsChanged();
  }
  std::string name = profileName_.toStdString();
  MarkProfileModified(name);
  profileName_ = QString::fromStdString(name);
  UpdateTitle();
}

void CMainWindow::ShowListedCamera(bool listed) {
  settingsPages_->ShowListedCamera(listed);
}

void CMainWindow::ModeChanged() {
  // Tabs 2 to 6 follow the mode the next time one of them is selected.
  advMarker_->setVisible(engine_.settings().IsAdvanced());
  modePage_->LoadFromModel();
}

void CMainWindow::TabChanged(int index) {
  settingsPages_->TabSelected(index);
}

void CMainWindow::RefreshAllPages() {
  bool advanced = engine_.settings().IsAdvanced();
  for (CSettingsPage* page : pages_) {
    if (page) page->LoadFromModel();
  }
  settingsPages_->LoadFromSettings();
  advMarker_->setVisible(advanced);
}

void CMainWindow::UpdateTitle() {
  setWindowTitle(QString::fromStdString(WindowTitle(profileName_.toStdString())));
}

// --- The current image
// -----------------------------------------------------------------------------

void CMainWindow::ShowImage(const std::string& path) {
  shownPath_ = path;
  // The shown photo is fitted to the pane: a camera RAW that fits at half its size or less is
  // decoded at half size, without the demosaicing that is most of its decoding time.
  const QSize pane = settingsPages_->preview().paneSize();
  if (engine_.ShowImageInfo(path, FitBox{pane.width(), pane.height()}) != 1) {
    // The engine keeps the previous photograph; nothing of it may stand for this one.
    ClearShownImage(QString::fromStdString(LibraryErrorText(engine_.loadError())));
    return;
  }
  settingsPages_->preview().SetDisplayTurn(ReadDisplayTurn(QString::fromStdString(path)));
  settingsPages_->ShowImage();
  QImage shown = settingsPages_->preview().before();
  if (shown.isNull()) {
    ClearShownImage(QString());
    return;
  }
  shown.setDevicePixelRatio(devicePixelRatioF());
  pane_->setPixmap(QPixmap::fromImage(shown));
  ShowInfoPanel();
}

void CMainWindow::ClearShownImage(const QString& why) {
  settingsPages_->preview().Clear();
  pane_->clear();
  pane_->setText(why);
  for (QLabel* l :
       {infoSize_, infoModel_, infoShutter_, infoFNumber_, infoIso_, infoFlash_, infoFocus_}) {
    l->clear();
    l->setVisible(false);
  }
}

void CMainWindow::ShowInfoPanel() {
  const CameraPanel& p = engine_.panel();
  auto show = [](QLabel* l, const CameraPanelField& f) {
    l->setText(QString::fromStdString(f.text));
    l->setVisible(f.visible);
  };
  show(infoSize_, p.size);
  show(infoModel_, p.model);
  show(infoShutter_, p.shutter);
  show(infoFNumber_, p.fNumber);
  show(infoIso_, p.iso);
  show(infoFlash_, p.flash);
  show(infoFocus_, p.focus);
}

void CMainWindow::RefreshPreviews() {
  settingsPages_->RefreshPreviews();
}

// --- The Cue List
// ----------------------------------------------------------------------------------

int CMainWindow::SelectedCueIndex() const {
  QList<QListWidgetItem*> items = cueList_->selectedItems();
  return items.isEmpty() ? -1 : cueList_->row(items.front());
}

void CMainWindow::SelectCueIndex(int index) {
  cueList_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

void CMainWindow::SyncCueList() {
  const std::vector<CueItem>& cue = engine_.queue().Cue();
  syncingCue_ = true;
  {
    QSignalBlocker block(cueList_);
    bool same = cueList_->count() == int(cue.size());
    for (int i = 0; same && i < cueList_->count(); ++i)
      same = cueList_->item(i)->text() == QString::fromStdString(cue[size_t(i)].path);
    if (!same) {
      cueList_->clear();
      for (const CueItem& c : cue) {
        auto* item = new QListWidgetItem(QString::fromStdString(c.path), cueList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setToolTip(item->text());
      }
      // The photograph shown stays selected when it is still queued.
      QList<QListWidgetItem*> shown =
          cueList_->findItems(QString::fromStdString(shownPath_), Qt::MatchExactly);
      if (!shownPath_.empty() && !shown.isEmpty()) cueList_->setCurrentItem(shown.front());
    }
    for (int i = 0; i < cueList_->count(); ++i)
      cueList_->item(i)->setCheckState(cue[size_t(i)].checked ? Qt::Checked : Qt::Unchecked);
    ShowWatchMarks();
  }
  syncingCue_ = false;
}

void CMainWindow::ShowWatchMarks() {
  const std::vector<CueItem>& cue = engine_.queue().Cue();
  for (int i = 0; i < cueList_->count() && size_t(i) < cue.size(); ++i) {
    QListWidgetItem* item = cueList_->item(i);
    auto mark = watchMarks_.find(cue[size_t(i)].path);
    if (mark == watchMarks_.end()) {
      if (item->data(kWatchStateRole).isValid()) {
        item->setData(kWatchStateRole, QVariant());
        item->setIcon(QIcon());
        item->setToolTip(item->text());
      }
      continue;
    }
    const int state = mark->second.state;
    QStyle::StandardPixmap icon = QStyle::SP_BrowserReload;
    QString note = tr("Being processed by the watch");
    if (state == int(ItemResult::Status::Failed)) {
      icon = QStyle::SP_MessageBoxCritical;
      note = tr("Failed: %1").arg(mark->second.note);
    } else if (state != kWatchWorking) {
      icon = QStyle::SP_DialogApplyButton;
      note = tr("Done: %1").arg(mark->second.note);
    }
    item->setData(kWatchStateRole, state);
    item->setIcon(style()->standardIcon(icon));
    item->setToolTip(item->text() + QLatin1Char('\n') + note);
  }
}

int CMainWindow::CueIndexOf(const std::string& path) {
  const std::vector<CueItem>& cue = engine_.queue().Cue();
  for (size_t i = 0; i < cue.size(); ++i)
    if (cue[i].path == path) return int(i);
  return -1;
}

std::unordered_map<std::string, int> CMainWindow::CueIndexes() {
  const std::vector<CueItem>& cue = engine_.queue().Cue();
  std::unordered_map<std::string, int> index;
  index.reserve(cue.size());
  // The first entry of a path, as CueIndexOf finds it.
  for (size_t i = 0; i < cue.size(); ++i) index.emplace(cue[i].path, int(i));
  return index;
}

bool CMainWindow::WatchReady() {
  CommitPages();
  Settings asked = engine_.settings();
  ApplyQualityFallback(asked);
  if (asked.Quality.Type != quality_type::kMaxSize) return true;
  // The question a run asks, asked once for the whole watch.
  if (AskYesNo(SizeLimitQuestion(asked.Quality.MaxKB))) return true;
  SelectTab(tabs::kSizeQuality);
  return false;
}

void CMainWindow::WatchTook(const QStringList& sources) {
  if (runInProgress_) {
    heldWatchEvents_.push_back([this, sources] { WatchTook(sources); });
    return;
  }
  // The arrivals not yet in the Cue List join it together: one rebuild of the list for the
  // whole burst, not one a photo.
  std::vector<std::string> paths;
  paths.reserve(size_t(sources.size()));
  for (const QString& source : sources) paths.push_back(source.toStdString());
  std::unordered_map<std::string, int> index = CueIndexes();
  std::vector<std::string> missing;
  for (const std::string& path : paths)
    if (index.emplace(path, -1).second) missing.push_back(path);  // each path once
  if (!missing.empty()) {
    engine_.queue().AddToCue(missing);
    index = CueIndexes();
  }
  for (const std::string& path : paths) {
    auto at = index.find(path);
    if (at == index.end()) continue;  // not a photo this queue takes
    engine_.queue().SetChecked(at->second, false);
    watchMarks_[path] = WatchMark{kWatchWorking, QString()};
  }
  SyncCueList();
}

void CMainWindow::WatchFinished(const QString& source, const QString& output, int status,
                                const QString& error) {
  if (runInProgress_) {
    heldWatchEvents_.push_back(
        [this, source, output, status, error] { WatchFinished(source, output, status, error); });
    return;
  }
  const std::string path = source.toStdString();
  const int index = CueIndexOf(path);
  switch (ItemResult::Status(status)) {
    case ItemResult::Status::Saved:
    case ItemResult::Status::Skipped:
      engine_.queue().SetChecked(index, false);
      watchMarks_[path] = WatchMark{status, output};
      break;
    case ItemResult::Status::Failed:
      // As after a run: a photo that failed keeps its check mark, so All Files tries it again.
      engine_.queue().SetChecked(index, true);
      watchMarks_[path] = WatchMark{status, error};
      break;
    case ItemResult::Status::Cancelled:  // not reached before a stop: as it was before
      engine_.queue().SetChecked(index, true);
      watchMarks_.erase(path);
      break;
  }
  SyncCueList();
}

void CMainWindow::ReplayWatchEvents() {
  std::vector<std::function<void()>> held;
  held.swap(heldWatchEvents_);
  for (auto& event : held) event();
}

void CMainWindow::CueSelectionChanged() {
  int index = SelectedCueIndex();
  const std::vector<CueItem>& cue = engine_.queue().Cue();
  if (index < 0 || index >= int(cue.size())) return;
  if (cue[size_t(index)].path != shownPath_) ShowImage(cue[size_t(index)].path);
}

void CMainWindow::AddDroppedPaths(const QStringList& paths) {
  for (const QString& p : paths) engine_.queue().AddPath(AbsolutePath(p.toStdString()));
}

void CMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (runInProgress_ || !event->mimeData()->hasUrls()) return;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) {
      event->acceptProposedAction();
      return;
    }
  }
}

void CMainWindow::dropEvent(QDropEvent* event) {
  if (runInProgress_) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  AddDroppedPaths(paths);
}

// --- Commands
// --------------------------------------------------------------------------------------

void CMainWindow::LoadSettings() {
  std::string folder = ProfilesFolder(appFolder_);
  MakeFolders(folder);
  FileDialogRequest request{tr("Load Settings"), QString::fromStdString(folder),
                            tr("ORV Settings (*.orv)"), QString(), QString()};
  QString path = prompts_->OpenFile(this, request);
  if (path.isEmpty()) return;
  OpenProfile(path);
}

bool CMainWindow::OpenProfile(const QString& path) {
  // An unreadable file changes nothing, the title included.
  if (!LoadProfile(engine_.settings(), path.toStdString())) return false;
  profileName_ = QFileInfo(path).fileName();
  UpdateTitle();
  RefreshAllPages();
  RefreshPreviews();
  watchSwitch_->SettingsChanged();
  return true;
}

void CMainWindow::SaveSettings() {
  std::string folder = ProfilesFolder(appFolder_);
  MakeFolders(folder);
  FileDialogRequest request{tr("Save Settings"), QString::fromStdString(folder),
                            tr("ORV Settings (*.orv)"), QString(), QStringLiteral("orv")};
  QString path = prompts_->SaveFile(this, request);
  if (path.isEmpty()) return;
  CommitPages();
  if (!SaveProfile(engine_.settings(), path.toStdString())) {
    // Naming a profile in the title that was never written would claim a save that failed.
    prompts_->ShowMessage(this, tr("Can't save the settings to %1").arg(path));
    return;
  }
  profileName_ = QFileInfo(path).fileName();
  UpdateTitle();
}

void CMainWindow::ResetToDefault() {
  if (!AskYesNo("Do you want to load default settings for all parameters?")) return;
  LoadProfile(engine_.settings(), DefaultProfilePath(appFolder_));
  RefreshAllPages();
  RefreshPreviews();
  watchSwitch_->SettingsChanged();
}

void CMainWindow::Help() {
  OpenInBrowser(QString::fromStdString(engine_.helpFolder() + "/index.htm"));
}

void CMainWindow::OpenInBrowser(const QString& fileOrUrl) {
  // A browser that cannot be started is not reported.
  prompts_->OpenInBrowser(fileOrUrl);
}

void CMainWindow::Rotate(RotateTurn turn) {
  int index = SelectedCueIndex();
  const std::vector<CueItem>& cue = engine_.queue().Cue();
  if (index < 0 || index >= int(cue.size())) return;
  std::string path = cue[size_t(index)].path;
  SetWaitCursor(true);
  RotateResult result = LosslessRotate(path, turn);
  SetWaitCursor(false);
  if (!result.message.empty()) ShowMessage(result.message);
  if (result.rotated) ShowImage(path);
}

void CMainWindow::RunAllFiles() {
  if (runInProgress_) return;
  CommitPages();
  engine_.SetJobs(StoredWorkerCount());
  RunReport report = engine_.RunAll();
  AfterRun(report, true);
  if (report.processed > 0) ShowRunCounts(report);
  SyncCueList();
  ReplayWatchEvents();
}

void CMainWindow::ShowRunCounts(const RunReport& report) {
  // A photo saved without a correction that could not run counts as failed, as in the reports.
  const int failed = report.loadFailures + report.saveFailures + report.stageFailures;
  const int saved = report.saved - report.stageFailures;
  QString counts = tr("<p><b>%1 saved, %2 failed, %3 skipped</b> of %4 photos").arg(saved)
                       .arg(failed).arg(report.skipped).arg(report.processed);
  if (report.end == RunReport::End::Cancelled) counts += tr(" (the run was cancelled)");
  counts += tr(". <a href=\"log.html\">Open the log</a>");
  if (failed > 0) counts += tr(" to see what went wrong (the lines in red)");
  counts += QStringLiteral(".</p>");
  helpView()->AddNote(counts);
}

void CMainWindow::FinishedPhotos::ItemFinished(const ItemResult& result) {
  if (window.progressWindow_)
    window.progressWindow_->ShowFinishedPhoto(QString::fromStdString(result.output),
                                              QString::fromStdString(result.source));
}

void CMainWindow::RunCurrentImageOnly() {
  if (runInProgress_) return;
  CommitPages();
  RunReport report = engine_.RunCurrentImage(SelectedCueIndex());
  AfterRun(report, false);
  ReplayWatchEvents();
}

void CMainWindow::AfterRun(const RunReport& report, bool wholeRun) {
  // A size limit the user did not confirm sends them to the page that sets it; a whole run
  // ends on the ORV tab, where its log is shown.
  if (report.end == RunReport::End::Declined)
    SelectTab(tabs::kSizeQuality);
  else if (wholeRun && report.end != RunReport::End::EmptyQueue)
    SelectTab(tabs::kOrv);
}

void CMainWindow::SetUiEnabled(bool enabled) {
  centralWidget()->setEnabled(enabled);
  runInProgress_ = !enabled;
}

void CMainWindow::closeEvent(QCloseEvent* event) {
  if (runInProgress_) {
    // The run must end first (its progress window has Cancel).
    event->ignore();
    return;
  }
  if (watchSwitch_->running()) {
    // The watch starts no further photo; the window closes once the photos in work are saved.
    closeAfterWatch_ = true;
    watchSwitch_->RequestStop();
    event->ignore();
    return;
  }
  if (persist_ && !profileSaved_) {
    CommitPages();
    SaveProfile(engine_.settings(), CurrentProfilePath(appFolder_));
    profileSaved_ = true;
  }
  event->accept();
}

// --- Accessors
// -------------------------------------------------------------------------------------

CHelpView* CMainWindow::helpView() const {
  return modePage_->helpView();
}

CSettingsPage* CMainWindow::page(int tab) const {
  return tab >= 0 && tab < tabs::kCount ? pages_[size_t(tab)] : nullptr;
}

}  // namespace orv::ui
