// The receiving end of the azimuth feed for the benchmarks.
#include "FeedRig.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QToolButton>

#include <atomic>

#include "app/Unit1.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "platform/DBusDdeClientConv.h"
#include "platform/XcbWindowMessages.h"

using BenchTools::TClock;

// Notes when the Changed signal reaches this process, on a connection and thread of its own, so
// that the main thread's blocking Request does not delay the note.
class TChangedWatch : public QObject {
    Q_OBJECT
public:
    std::atomic<TClock::rep> Arrived{0};

public slots:
    void Changed(const QString&) { Arrived = TClock::now().time_since_epoch().count(); }
};

TFeedRig::TFeedRig(const std::string& busAddress)
    : BusAddress(busAddress), Watch(std::make_unique<TChangedWatch>())
{
    if (!Folder.isValid() ||
        !QFile::link(QString::fromStdString(Com1.SlavePath()), Folder.filePath(QStringLiteral("COM1"))))
        BenchTools::Fail("cannot link COM1");
    QDir::setCurrent(Folder.path());
    Watch->moveToThread(&WatchThread);
    WatchThread.start();
}

void TFeedRig::WatchChanged(bool on)
{
    QDBusConnection watchBus = QDBusConnection::connectToBus(QString::fromStdString(BusAddress), QStringLiteral("watch"));
    const QString path = QStringLiteral("/Teskarn"), interface = QStringLiteral("dde.Topic"),
                  signal = QStringLiteral("Changed");
    if (on ? !watchBus.connect(QString(), path, interface, signal, Watch.get(), SLOT(Changed(QString)))
           : !watchBus.disconnect(QString(), path, interface, signal, Watch.get(), SLOT(Changed(QString))))
        BenchTools::Fail("cannot watch the Changed signal");
}

TFeedRig::~TFeedRig()
{
    CloseWindow();
    WatchThread.quit();
    WatchThread.wait();
}

void TFeedRig::CloseWindow()
{
    if (Form)
        Form->FormClose();
    Form.reset();
}

void TFeedRig::OpenWindow()
{
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    TPlatformServices services;
    services.PortIO = CreatePortIO();
    services.WindowMessages = std::make_unique<TXcbWindowMessages>();
    services.DdeClientConv = std::make_unique<TDBusDdeClientConv>();
    Form = std::make_unique<TForm1>(std::move(services));
    Form->SpeedButtonAuto->setChecked(true);
    Form->FormActivate();
    if (!FeedLinkOpen)
        BenchTools::Fail("the feed did not link");
    // The value back from the Request, just before the window's handler takes it.
    auto handler = Form->DdeClientConv().OnItemChange;
    Form->DdeClientConv().OnItemChange = [this, handler](const std::string& text) {
        Delivered = TClock::now().time_since_epoch().count();
        handler(text);
    };
}

TClock::time_point TFeedRig::ChangedAt() const
{
    return TClock::time_point{TClock::duration(Watch->Arrived.load())};
}

TClock::time_point TFeedRig::DeliveredAt() const
{
    return TClock::time_point{TClock::duration(Delivered.load())};
}

#include "FeedRig.moc"
