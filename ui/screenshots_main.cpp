// drive-setting-shots: pictures of the program's windows for the documentation.
// It starts the real main frame, connects through the real connect dialog to a
// (simulated) drive, lets the read-in finish and saves what the user would see.
//
//   drive-setting-shots [--com N] [--out DIR] [--lang en|ko] [--what LIST]
//
// LIST is a comma-separated choice of main, connect312, connect313, connectlist
// (the port list open), openfailed (the box of a failed open; needs a port
// listed as gone), about, progress, filedialog, compare (needs main), allparams (the
// whole-drive table read and compared; needs main), status (the drive's state read
// for 25 s at 10 a second; needs main and `simdrive --live-status --alarm-after 10`),
// or "all" (default: main).
// Korean pictures get a "-ko" suffix.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "flows/ConnectLogic.h"
#include "flows/DpfFlows.h"
#include "flows/DpfSaveAll.h"
#include "flows/Journal.h"
#include "flows/MotorDb.h"
#include "flows/ParamAccess.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "protocol/VcmFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/AboutDlg.h"
#include "ui/App.h"
#include "ui/DlgCompare.h"
#include "ui/DlgConnect.h"
#include "ui/DlgFindDrive.h"
#include "ui/DlgHistory.h"
#include "ui/MainFrame.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompt.h"
#include "ui/ViewUserParams.h"
#include "ui/WndAllParams.h"
#include "ui/WndStatus.h"

namespace {

// Messages go to the terminal instead of waiting for a user.
class CConsolePrompt : public CPromptInterface {
 public:
  int ShowMessage(const MessageSpec& message) override {
    std::fprintf(stderr, "drive-setting-shots: message: %s\n", message.text.c_str());
    switch (message.buttons) {
      case MsgButtons::Ok: return btn::Ok;
      case MsgButtons::YesNo: return btn::No;
      case MsgButtons::CancelTryContinue: return btn::Cancel;
    }
    return btn::Cancel;
  }
  std::optional<std::string> AskFileName(const FileDialogSpec&) override {
    std::optional<std::string> name = nextFile;
    nextFile.reset();
    return name;
  }
  std::unique_ptr<CProgInterface> CreateProgress() override { return std::make_unique<CProgressDlg>(); }
  std::optional<std::string> nextFile;  // the answer of the next file dialog
};

void Settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget& widget, const QString& folder, const QString& name, const QString& suffix) {
  widget.show();
  widget.raise();
  Settle(300);
  const QString path = QDir(folder).absoluteFilePath(name + suffix + QStringLiteral(".png"));
  const bool ok = widget.grab().save(path);
  std::printf("%s %s\n", ok ? "saved" : "FAILED to save", path.toLocal8Bit().constData());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  int com = 99;
  QString out = QStringLiteral("docs");
  QString what = QStringLiteral("main");
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--com" && hasValue) {
      com = std::atoi(argv[++i]);
    } else if (option == "--out" && hasValue) {
      out = QString::fromLocal8Bit(argv[++i]);
    } else if (option == "--what" && hasValue) {
      what = QString::fromLocal8Bit(argv[++i]);
    } else if (option == "--lang" && hasValue) {
      const std::string lang = argv[++i];
      res::SetLanguage(lang.rfind("ko", 0) == 0 ? res::Language::Korean : res::Language::English);
    } else {
      std::fprintf(
          stderr,
          "usage: %s [--com N] [--out DIR] [--lang en|ko] [--what "
          "main,connect312,connect313,connectlist,openfailed,about,progress,finddrive,filedialog,compare,status|all]\n",
          argv[0]);
      return 2;
    }
  }
  QApplication application(argc, argv);
  app::ConfigureApplication(application);
  QDir().mkpath(out);
  const QString suffix = res::CurrentLanguage() == res::Language::Korean ? QStringLiteral("-ko") : QString();
  const bool all = what == QStringLiteral("all");
  auto wanted = [&](const char* name) { return all || what.split(',').contains(QLatin1String(name)); };

  CConsolePrompt prompt;
  CVcmCommand link;
  CParamDescFile model;
  CMainFrame frame(link, model, &prompt);
  if (!frame.Create()) return 1;
  frame.show();
  Settle(200);
  bool ok = true;

  for (int layout : {connectdlg::kLayoutCompact, connectdlg::kLayoutExtended}) {
    if (!wanted(layout == connectdlg::kLayoutCompact ? "connect312" : "connect313")) continue;
    CDlgConnect dialog(layout, layout == connectdlg::kLayoutExtended, link, prompt, &frame);
    ok = Save(dialog, out, QStringLiteral("screenshot-connect-%1").arg(layout), suffix) && ok;
  }
  if (wanted("connectlist")) {
    // The open list is a window of its own: the picture puts it over the dialog
    // where the screen shows it.
    CDlgConnect dialog(connectdlg::kLayoutCompact, false, link, prompt, &frame);
    dialog.show();
    Settle(200);
    dialog.PortList()->showPopup();
    Settle(400);
    QWidget* popup = dialog.PortList()->view()->window();
    const QPoint dialogAt = dialog.mapToGlobal(QPoint(0, 0));
    const QPoint popupAt = popup->mapToGlobal(QPoint(0, 0));
    const QRect area = QRect(dialogAt, dialog.size()).united(QRect(popupAt, popup->size()));
    QPixmap shot(area.size());
    shot.fill(Qt::white);
    {
      QPainter painter(&shot);
      painter.drawPixmap(dialogAt - area.topLeft(), dialog.grab());
      painter.drawPixmap(popupAt - area.topLeft(), popup->grab());
    }
    const QString path = QDir(out).absoluteFilePath(QStringLiteral("screenshot-connect-list") + suffix + ".png");
    const bool saved = shot.save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED to save", path.toLocal8Bit().constData());
    ok = saved && ok;
    dialog.PortList()->hidePopup();
  }
  if (wanted("openfailed")) {
    // The real message box, grabbed once it shows, then closed.
    CQtPrompt boxPrompt(&frame);
    CDlgConnect dialog(connectdlg::kLayoutCompact, false, link, boxPrompt, &frame);
    int gone = -1;
    for (int i = 0; i < dialog.PortList()->count() && gone < 0; ++i) {
      if (!dialog.Logic().PortSelectable(i)) gone = i;
    }
    if (gone < 0) {
      std::fprintf(stderr, "drive-setting-shots: no port is listed as gone; add a ports-file line without a device\n");
      ok = false;
    } else {
      dialog.show();
      dialog.PortList()->setCurrentIndex(gone);
      QTimer::singleShot(800, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
          ok = Save(*box, out, QStringLiteral("screenshot-open-failed"), suffix) && ok;
          QMetaObject::invokeMethod(box, "reject", Qt::QueuedConnection);
        } else {
          std::fprintf(stderr, "drive-setting-shots: no message box showed\n");
          ok = false;
        }
      });
      dialog.OnConnect();
    }
  }
  if (wanted("about")) {
    CAboutDlg about(&frame);
    ok = Save(about, out, QStringLiteral("screenshot-about"), suffix) && ok;
  }
  if (wanted("progress")) {
    CProgressDlg progress(&frame);
    progress.Open();
    progress.SetRange(0, 100);
    // As an import shows it, 42 % into an exported motor DB file.
    CVcmFile::Command command;
    command.mnemonic = "mda";
    command.argument = "1041";
    command.hasArgument = true;
    command.line = 167;
    progress.SetStatusText(CVcmFile::StatusText(command));
    progress.SetPosition(42);
    ok = Save(progress, out, QStringLiteral("screenshot-progress"), suffix) && ok;
    // A long Load File and Export Motor DB as their progress windows show them.
    const std::pair<int, const char*> longFlows[] = {{ids::FlowLoadingFile, "screenshot-progress-load"},
                                                     {ids::FlowExporting, "screenshot-progress-export"}};
    for (const auto& [textId, name] : longFlows) {
      CProgressDlg flow(&frame);
      flow.Open();
      flow.SetRange(0, 100);
      flow.SetStatusText(res::LoadString(textId));
      flow.SetPosition(42);
      ok = Save(flow, out, QString::fromLatin1(name), suffix) && ok;
    }
  }
  if (wanted("finddrive")) {
    // Find Drive over every listed port, pictured once the search has ended
    // (before the main picture connects, which would hold the drive's port).
    CDlgFindDrive search(&frame);
    search.show();
    QElapsedTimer timer;
    timer.start();
    while (search.Logic().Running() && timer.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ok = Save(search, out, QStringLiteral("screenshot-find-drive"), suffix) && ok;
  }
  if (wanted("filedialog")) {
    // The window's own file dialog, as Export Motor DB opens it; grabbed once it
    // shows, then closed.
    CQtPrompt filePrompt(&frame);
    QTimer::singleShot(800, [&] {
      if (QWidget* dialog = QApplication::activeModalWidget()) {
        ok = Save(*dialog, out, QStringLiteral("screenshot-filedialog"), suffix) && ok;
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
      } else {
        std::fprintf(stderr, "drive-setting-shots: no file dialog showed\n");
        ok = false;
      }
    });
    filePrompt.AskFileName(MotorDbFileDialog(true));
  }
  if (wanted("deskfile") && !frame.IsConnected()) {
    // A Save All file open without a drive: one value raised since (marked), one added.
    const QString file = QDir(out).absoluteFilePath(QStringLiteral("line-setup.dpf"));
    std::vector<DpfEntry> entries;
    for (const auto& [address, value] : {std::pair{0, 4}, {2, 1500}, {16, 0x35}, {21, 3}, {27, 200}, {29, 0}}) {
      entries.push_back({address, 0, 0, value});
    }
    bool staged = WriteParamFile(file.toStdString(), "QDS-2 ver.1.04.007.12 std", entries);
    frame.OnAllParams();
    CWndAllParams* table = frame.AllParamsWindow();
    staged = staged && table->Logic().OpenFileAt(file.toStdString()) == Outcome::Done;
    table->SetEditRunner([](CDlgEditValue& dialog) {
      if (dialog.Choices()) dialog.Choices()->setCurrentIndex(dialog.Choices()->findData(8));
      return static_cast<int>(QDialog::Accepted);
    });
    const std::optional<size_t> stop = table->Logic().PositionOf({16, true, 4});
    staged = staged && stop && table->Logic().Edit(*stop) == Outcome::Done;
    table->Sync();
    if (const std::optional<size_t> row = table->Logic().PositionOf({16, true, 4})) {
      table->Table()->setCurrentIndex(table->Table()->model()->index(static_cast<int>(*row), 0));
    }
    if (!staged) std::fprintf(stderr, "drive-setting-shots: the file to show could not be made\n");
    ok = Save(*table, out, QStringLiteral("screenshot-desk-file"), suffix) && staged && ok;
    table->SetEditRunner([](CDlgEditValue& dialog) { return dialog.exec(); });
    (void)table->Logic().SaveFile();  // saved, so nothing is asked as the drive takes the table back
    (void)table->Logic().CloseFileForDrive();
    QFile::remove(file);
  }
  if (wanted("main")) {
    // The real connect path: the dialog lists the ports, the port is picked and
    // Connect pressed, and the frame starts the read-in chain.
    frame.SetConnectRunner([com](CDlgConnect& dialog) {
      dialog.show();
      const int index = dialog.PortList()->findText(QString::number(com));
      if (index < 0) {
        std::fprintf(stderr, "drive-setting-shots: COM %d is not listed; is the simulated drive running?\n", com);
        return static_cast<int>(QDialog::Rejected);
      }
      dialog.PortList()->setCurrentIndex(index);
      dialog.ConnectButton()->click();
      return dialog.result();
    });
    frame.OnConnect();
    if (!frame.IsConnected()) {
      std::fprintf(stderr, "drive-setting-shots: could not connect to COM %d\n", com);
      ok = false;
    }
    // The read-in chain runs from the event loop, one posted step after another.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2500 && frame.IsConnected()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ok = Save(frame, out, QStringLiteral("screenshot-main"), suffix) && ok;
  }
  if (wanted("compare") && frame.IsConnected()) {
    // A file saved from this drive, then two of the drive's values changed.
    const QString file = QDir(out).absoluteFilePath(QStringLiteral("compare-example.dpf"));
    prompt.nextFile = file.toStdString();
    bool staged = SaveParamFile(frame.Logic(), model) == Outcome::Done;
    for (const int address : {21, 25}) {
      const CachedParam* cached = link.FindCachedParam(address);
      staged =
          staged && cached && SetParam(frame.Logic(), model, {address, false, 0}, cached->value + 1) == Outcome::Done;
    }
    std::vector<DpfComparison> rows;
    std::string fileVersion;
    // The picture is of a comparison that found the two changed values.
    staged =
        staged && CompareParamFile(frame.Logic(), model, file.toStdString(), &rows, &fileVersion) == Outcome::Differs;
    if (!staged) std::fprintf(stderr, "drive-setting-shots: the comparison to show could not be made\n");
    ok = staged && ok;
    CDlgCompare dialog("drive.dpf", fileVersion, false, rows, &frame);
    ok = Save(dialog, out, QStringLiteral("screenshot-compare"), suffix) && ok;
    QFile::remove(file);
  }
  if (wanted("allparams") && frame.IsConnected()) {
    // Every parameter saved, two changed in the drive, read all and compared: the
    // picture shows values, units, limits and the two rows that differ.
    const QString file = QDir(out).absoluteFilePath(QStringLiteral("all-params-example.dpf"));
    bool staged = SaveAllParamFileAt(frame.Logic(), model, file.toStdString()) == Outcome::Done;
    staged = staged && SetParam(frame.Logic(), model, {2, false, 0}, 1800) == Outcome::Done;
    staged = staged && SetParam(frame.Logic(), model, {16, true, 0}, 6) == Outcome::Done;
    frame.OnAllParams();
    CWndAllParams* table = frame.AllParamsWindow();
    table->OnReadAll();
    prompt.nextFile = file.toStdString();
    table->OnCompareFile();
    staged = staged && table->Logic().HasComparison();
    if (!staged) std::fprintf(stderr, "drive-setting-shots: the table to show could not be made\n");
    ok = Save(*table, out, QStringLiteral("screenshot-all-params"), suffix) && staged && ok;
    QFile::remove(file);
  }
  if (wanted("status") && frame.IsConnected()) {
    frame.OnStatusView();
    CWndStatus* status = frame.StatusWindow();
    status->Rate()->setCurrentIndex(status->Rate()->findData(10));
    Settle(25000);
    ok = Save(*status, out, QStringLiteral("screenshot-status"), suffix) && ok;
  }
  if (wanted("history") && frame.IsConnected()) {
    // A load of two values and a set, into a journal of the picture's own.
    const QString folder = QDir(out).absoluteFilePath(QStringLiteral("history-example"));
    CJournal journal(folder.toStdString() + "/", "drive-setting");
    frame.Logic().SetJournal(&journal);
    const QString file = QDir(out).absoluteFilePath(QStringLiteral("line-setup.dpf"));
    // Values the drive does not hold yet, whatever an earlier run left: each is written.
    const auto other = [&](int32_t address, int32_t value) {
      const CachedParam* cached = link.FindCachedParam(address);
      return cached && cached->value == value ? value + 1 : value;
    };
    bool staged =
        WriteParamFile(file.toStdString(), link.GetVersion(), {{21, 0, 0, other(21, 7)}, {25, 0, 0, other(25, 12)}});
    staged = staged && LoadParamFileAt(frame.Logic(), model, file.toStdString()) == Outcome::Done;
    staged = staged && SetParam(frame.Logic(), model, {2, false, 0}, other(2, 1700)) == Outcome::Done;
    if (!staged) std::fprintf(stderr, "drive-setting-shots: the history to show could not be made\n");
    CDlgHistory dialog(journal, frame.Logic(), model, &frame);
    if (QTreeWidgetItem* load = dialog.Records()->topLevelItem(1)) load->setExpanded(true);
    ok = Save(dialog, out, QStringLiteral("screenshot-history"), suffix) && staged && ok;
    frame.Logic().SetJournal(nullptr);
    QDir(folder).removeRecursively();
    QFile::remove(file);
  }
  link.Close();
  return ok ? 0 : 1;
}
