// The dialog services on the desktop: Qt's message box and file dialog, modal event
// loops, the real clock and the primary screen.
#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QTimer>

#include <cmath>
#include <map>

#include "platform/ui/detail.h"
#include "platform/ui/services.h"

namespace zunq::ui {

namespace {

// "Text files(*.bin)|*.bin|" -> "Text files(*.bin) (*.bin)": Qt filters by the patterns in the
// last parentheses; HideNameFilterDetails then shows the description alone, as it was given.
QString Qt_Filter(const std::string& filter) {
    const QStringList parts = To_Qt(filter.c_str()).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i].isEmpty()) {
            entries << QStringLiteral("%1 (%2)").arg(
                parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
        }
    }
    return entries.join(QStringLiteral(";;"));
}

class Desktop : public Dialog_Services {
public:
    int Message_Box(const Message_Box_Request& request) override {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(To_Qt(request.caption.c_str()));
        box.setText(To_Qt(request.text.c_str()));
        switch (request.type & 0xF0) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONWARNING:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
        }
        switch (request.type & 0x0F) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDCANCEL;
        }
    }

    std::optional<std::string> Choose_File(const File_Dialog_Request& request) override {
        QString initial = To_Qt(request.initial_name.c_str());
        initial.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString filter = Qt_Filter(request.filter);
        // Qt's own dialog, the same on every desktop, whatever portal or platform dialog the
        // session offers.
        const auto options = QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;
        const QString chosen =
            request.open
                ? QFileDialog::getOpenFileName(nullptr, QString(), initial, filter, nullptr, options)
                : QFileDialog::getSaveFileName(nullptr, QString(), initial, filter, nullptr, options);
        if (chosen.isEmpty()) {
            return std::nullopt;
        }
        return To_Utf8(chosen);
    }

    void Run_Modal(CDialog& dialog) override {
        QEventLoop loop;
        dialog.Modal_Loop = &loop;
        while (dialog.Is_Modal_Running()) {
            loop.exec();
        }
        dialog.Modal_Loop = nullptr;
    }

    void Set_Timer(CWnd& window, UINT_PTR id, UINT milliseconds) override {
        auto& timer = timers_[{&window, id}];
        if (timer == nullptr) {
            timer = new QTimer();
            QObject::connect(timer, &QTimer::timeout, timer, [&window, id] { Deliver_Timer(window, id); });
        }
        timer->start(static_cast<int>(milliseconds));
    }

    void Kill_Timer(CWnd& window, UINT_PTR id) override {
        const auto found = timers_.find({&window, id});
        if (found != timers_.end()) {
            found->second->stop();
            found->second->deleteLater(); // it may be the timer whose tick is running
            timers_.erase(found);
        }
    }

    void Kill_Timers(CWnd& window) override {
        for (auto it = timers_.begin(); it != timers_.end();) {
            if (it->first.first == &window) {
                it->second->stop();
                it->second->deleteLater();
                it = timers_.erase(it);
            } else {
                ++it;
            }
        }
    }

    void Wait_Dispatching(UINT milliseconds) override {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(milliseconds), &loop, &QEventLoop::quit);
        loop.exec();
    }

    SYSTEMTIME Local_Time() override {
        const QDateTime now = QDateTime::currentDateTime();
        SYSTEMTIME time;
        time.wYear = static_cast<WORD>(now.date().year());
        time.wMonth = static_cast<WORD>(now.date().month());
        time.wDayOfWeek = static_cast<WORD>(now.date().dayOfWeek() % 7);
        time.wDay = static_cast<WORD>(now.date().day());
        time.wHour = static_cast<WORD>(now.time().hour());
        time.wMinute = static_cast<WORD>(now.time().minute());
        time.wSecond = static_cast<WORD>(now.time().second());
        time.wMilliseconds = static_cast<WORD>(now.time().msec());
        return time;
    }

    int Screen_Width() override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr ? screen->geometry().width() : 0;
    }

    int Screen_Height() override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr ? screen->geometry().height() : 0;
    }

    int Pixels_Per_Inch() override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchX())) : 96;
    }

private:
    std::map<std::pair<CWnd*, UINT_PTR>, QTimer*> timers_;
};

} // namespace

Dialog_Services& Desktop_Services() {
    static auto* desktop = new Desktop(); // outlives every window, whatever the order of exit
    return *desktop;
}

} // namespace zunq::ui
