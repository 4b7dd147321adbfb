#pragma once

// A main window with a simulated Kelmor and a fake clock, whose dialogs are answered by
// the test instead of a user.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "fake_clock.h"
#include "simulator/simulated_ftdi_bus.h"
#include "ui/desktop_dialogs.h"
#include "ui/main_window.h"

namespace kelmor::testing {

// A control of a window found by its objectName, the role name by which accessibility
// tools and tests know it. A missing one ends the test run: the window lacks a control.
template <typename T = QObject>
T* Child(const QObject& owner, const QString& name) {
    T* found = owner.findChild<T*>(name);
    if (found == nullptr) {
        qFatal("%s has no %s named %s", qPrintable(owner.objectName()),
               T::staticMetaObject.className(), qPrintable(name));
    }
    return found;
}

// A click with the mouse on the button of that name, as a user gives it: a disabled
// button takes none.
inline void Click(const QObject& owner, const QString& name) {
    QTest::mouseClick(Child<QAbstractButton>(owner, name), Qt::LeftButton);
}

// The menu item of that name chosen, where the menu itself is not what is tested: a
// disabled item does nothing.
inline void Trigger(const QObject& owner, const QString& name) {
    Child<QAction>(owner, name)->trigger();
}

// An entry of a list picked from its pop-up.
inline void ChooseInList(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

// The reference level presets of the Assessment menu, in their order there.
inline QAction* ReferencePreset(const QObject& owner, int index) {
    return owner.findChildren<QAction*>(QStringLiteral("referencePresetAction")).value(index);
}

class ScriptedDialogs : public DesktopDialogs {
  public:
    struct FileAnswer {
        QString path;
        int filterIndex = 1;  // 1-based, as the save dialog counts its formats; 0: as offered
    };

    // Own modal windows: the next scripted answer, or OK / accept.
    int ExecOwn(QDialog& dialog) override {
        ++ownShown;
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            messages << box->text();
        } else {
            dialogsShown << dialog.objectName();
        }
        if (!ownAnswers.empty()) {
            const auto answer = ownAnswers.front();
            ownAnswers.pop_front();
            return answer(dialog);
        }
        return qobject_cast<QMessageBox*>(&dialog) ? int(QMessageBox::Ok) : int(QDialog::Accepted);
    }

    bool ExecFile(QFileDialog& dialog) override {
        fileDialogs << dialog.objectName();
        fileFilters = dialog.nameFilters();
        fileDefaultSuffix = dialog.defaultSuffix();
        fileSelectedFilter = dialog.selectedNameFilter();
        filePreset = dialog.selectedFiles().value(0);
        if (fileAnswers.empty() || !fileAnswers.front()) {
            if (!fileAnswers.empty()) {
                fileAnswers.pop_front();
            }
            return false;
        }
        const FileAnswer answer = *fileAnswers.front();
        fileAnswers.pop_front();
        if (answer.filterIndex > 0) {
            dialog.selectNameFilter(dialog.nameFilters().value(answer.filterIndex - 1));
        }
        dialog.selectFile(answer.path);
        return true;
    }

    bool ExecPrint(QPrintDialog& dialog) override {
        ++printDialogs;
        if (printTo.isEmpty()) {
            return false;
        }
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(printTo);
        dialog.printer()->setPageOrientation(printerOrientation);
        return true;
    }

    void AnswerNext(int button) {
        ownAnswers.push_back([button](QDialog&) { return button; });
    }
    void ChooseFile(const QString& path, int filterIndex = 1) {
        fileAnswers.push_back(FileAnswer{path, filterIndex});
    }
    void CancelFile() { fileAnswers.push_back(std::nullopt); }

    std::deque<std::function<int(QDialog&)>> ownAnswers;
    std::deque<std::optional<FileAnswer>> fileAnswers;
    QStringList messages;
    QStringList dialogsShown;
    QStringList fileDialogs;
    QStringList fileFilters;
    QString fileDefaultSuffix;
    QString fileSelectedFilter;
    QString filePreset;
    int ownShown = 0;
    int printDialogs = 0;
    QString printTo;
    QPageLayout::Orientation printerOrientation = QPageLayout::Portrait;
};

inline QString SamplePath(const char* model) {
    return QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-%1.Rn").arg(QLatin1String(model));
}

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The simulated instrument's memory becomes that of a sample file.
inline void LoadSampleIntoKelmor(SimulatedFtdiBus& bus, const char* model) {
    const QByteArray bytes = ReadAll(SamplePath(model));
    bus.Kelmor()->LoadMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             static_cast<std::size_t>(bytes.size()));
}

// One window as the program builds it, attached to a simulated Kelmor of `model`.
struct WindowUnderTest {
    explicit WindowUnderTest(Model model = Model::V7, bool attached = true,
                             const QString& archivePath = QString())
        : bus(std::make_unique<SimulatedFtdiBus>(clock, model)) {
        clock.SetLocalNow(QDateTime(QDate(2026, 12, 8), QTime(12, 0)));
        bus->AddGadget("FT232R USB UART", "A50285BI");
        if (attached) {
            bus->AddKelmor("USB <-> Serial Cable", "KLM70412");
        }
        WindowSetup setup;
        setup.driver = bus.get();
        setup.clock = &clock;
        setup.dialogs = &dialogs;
        setup.workingFolder = folder.path();
        setup.archivePath = archivePath;
        setup.pendingFolder = folder.filePath(QStringLiteral("pending"));
        setup.settingsFile = folder.filePath(QStringLiteral("kelmor.conf"));
        window = std::make_unique<MainWindow>(setup);
    }

    QString WorkingFile(const QString& name) const { return folder.filePath(name); }

    // Opens a data file through the Open command, as a user does.
    void Open(const QString& path) {
        dialogs.ChooseFile(path);
        Click(*window, "openButton");
    }

    void Save(const QString& path, int format) {
        dialogs.ChooseFile(path, format);
        Click(*window, "saveButton");
    }

    void Choose(int listIndex) { window->ChooseMeasurement(listIndex); }

    FakeClock clock;
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<SimulatedFtdiBus> bus;
    std::unique_ptr<MainWindow> window;
};

}  // namespace kelmor::testing
