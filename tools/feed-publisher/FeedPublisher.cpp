// teskarn-feed: publishes azimuths on the session bus as Teskarn does, for tests and for users.
//
// It owns the bus name dde.Teskarn and serves the object /Teskarn with the interface dde.Topic:
// Request("azimuth") answers the current text, and Changed("azimuth") is emitted for every value
// published. An azimuth is published as its digits followed by CR LF, which is what Teskarn sends.
#include <QCoreApplication>
#include <QObject>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <optional>

#include "TeskarnTopic.h"

namespace {

void PrintUsage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [options] [AZIMUTH...]\n"
                 "Owns dde.Teskarn on the session bus and publishes azimuths, each as its digits\n"
                 "followed by CR LF. Azimuths come from the command line (one every --interval ms),\n"
                 "from --sweep, and from standard input, one per line, published as they are typed;\n"
                 "a line \"--raw TEXT\" on standard input publishes TEXT as with the option.\n"
                 "  --sweep START END STEP INTERVAL_MS  publish START, START+STEP, ... up to END\n"
                 "  --interval MS   pause between command-line values (default 1000)\n"
                 "  --raw TEXT      publish TEXT exactly; \\r \\n \\t \\\\ and \\xHH are decoded\n"
                 "  --no-crlf       publish azimuths without the CR LF\n"
                 "  --service NAME  own dde.NAME with the object /NAME instead of Teskarn\n",
                 program);
}

// "\r", "\n", "\t", "\\" and "\xHH" in a test text become the bytes they name.
std::optional<QString> DecodeEscapes(const QString& text)
{
    QString decoded;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\')) {
            decoded += text[i];
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        const QChar code = text[i];
        if (code == QLatin1Char('r'))
            decoded += QLatin1Char('\r');
        else if (code == QLatin1Char('n'))
            decoded += QLatin1Char('\n');
        else if (code == QLatin1Char('t'))
            decoded += QLatin1Char('\t');
        else if (code == QLatin1Char('\\'))
            decoded += QLatin1Char('\\');
        else if (code == QLatin1Char('x') && i + 2 < text.size()) {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok)
                return std::nullopt;
            decoded += QChar(value);
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return decoded;
}

bool IsAzimuthText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    return number.match(text).hasMatch();
}

int DecimalsOf(const QString& number)
{
    const int point = number.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : static_cast<int>(number.size() - point - 1);
}

struct TOptions {
    QStringList Queue;  // texts in the order given, already in their published form
    int IntervalMs = 1000;
    bool CrLf = true;
    QString Service = QStringLiteral("Teskarn");
    bool Sweep = false;
    double SweepStart = 0, SweepEnd = 0, SweepStep = 1;
    int SweepDecimals = 0;
    int SweepIntervalMs = 1000;
};

class TPublisher : public QObject {
    Q_OBJECT
public:
    explicit TPublisher(TOptions options)
        : Options(std::move(options)), Topic(QStringLiteral("teskarn-feed"), Options.Service)
    {
        connect(&QueueTimer, &QTimer::timeout, this, &TPublisher::PublishNextQueued);
        connect(&SweepTimer, &QTimer::timeout, this, &TPublisher::PublishNextSweep);
    }

    bool Start()
    {
        if (!Topic.Serve())
            return false;
        // The first value is in place before anyone can see the name: a client that links on
        // seeing it gets that value, and no change notice for it arrives afterwards.
        bool sweeping = false;
        if (!Options.Queue.isEmpty()) {
            Publish(Options.Queue.takeFirst());
        } else if (Options.Sweep) {
            Options.Sweep = false;
            sweeping = true;
            SweepIndex = 0;
            PublishNextSweep();
        }
        if (!Topic.Claim())
            return false;
        const QString name = QStringLiteral("dde.") + Options.Service;
        std::printf("ready %s\n", qPrintable(name));
        std::fflush(stdout);

        StdinNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(StdinNotifier, &QSocketNotifier::activated, this, &TPublisher::ReadStdin);

        if (!Options.Queue.isEmpty() || Options.Sweep)
            QueueTimer.start(Options.IntervalMs);
        else if (sweeping)
            SweepTimer.start(Options.SweepIntervalMs);
        return true;
    }

    QString AzimuthText(const QString& digits) const
    {
        return Options.CrLf ? digits + QStringLiteral("\r\n") : digits;
    }

private:
    void Publish(const QString& text)
    {
        QString shown = text;
        shown.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        std::printf("published \"%s\"\n", qPrintable(shown));
        std::fflush(stdout);
        Topic.Publish(text);
    }

    void PublishNextQueued()
    {
        if (Options.Queue.isEmpty()) {
            QueueTimer.stop();
            if (Options.Sweep)
                StartSweep();
            return;
        }
        Publish(Options.Queue.takeFirst());
        if (Options.Queue.isEmpty() && !Options.Sweep)
            QueueTimer.stop();
    }

    void StartSweep()
    {
        Options.Sweep = false;
        SweepIndex = 0;
        PublishNextSweep();
        SweepTimer.start(Options.SweepIntervalMs);
    }

    void PublishNextSweep()
    {
        const double direction = Options.SweepEnd >= Options.SweepStart ? 1.0 : -1.0;
        // Multiplying rather than adding keeps 0.1 steps from drifting.
        const double value = Options.SweepStart + direction * Options.SweepStep * static_cast<double>(SweepIndex);
        if ((value - Options.SweepEnd) * direction > 1e-9) {
            SweepTimer.stop();
            return;
        }
        ++SweepIndex;
        Publish(AzimuthText(QString::number(value, 'f', Options.SweepDecimals)));
    }

    void ReadStdin()
    {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            // End of input: the value stays published for as long as the publisher runs.
            StdinNotifier->setEnabled(false);
            return;
        }
        Pending.append(buffer, static_cast<int>(count));
        int end;
        while ((end = Pending.indexOf('\n')) >= 0) {
            QString line = QString::fromUtf8(Pending.left(end));
            Pending.remove(0, end + 1);
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            PublishLine(line);
        }
    }

    void PublishLine(const QString& typed)
    {
        // A raw text keeps its spaces; an azimuth may come with some around it.
        if (typed.startsWith(QStringLiteral("--raw "))) {
            const std::optional<QString> raw = DecodeEscapes(typed.mid(6));
            if (raw)
                Publish(*raw);
            else
                std::fprintf(stderr, "teskarn-feed: bad escape in %s\n", qPrintable(typed));
            return;
        }
        const QString line = typed.trimmed();
        if (line.isEmpty())
            return;
        if (!IsAzimuthText(line)) {
            std::fprintf(stderr, "teskarn-feed: not an azimuth: %s\n", qPrintable(line));
            return;
        }
        Publish(AzimuthText(line));
    }

    TOptions Options;
    TTeskarnTopic Topic;
    QTimer QueueTimer;
    QTimer SweepTimer;
    QSocketNotifier* StdinNotifier = nullptr;
    QByteArray Pending;
    long SweepIndex = 0;
};

std::optional<TOptions> ParseOptions(const QStringList& arguments)
{
    TOptions options;
    // Kept apart until the whole line is read, as --no-crlf may come after the azimuths.
    struct TEntry {
        bool Raw;
        QString Text;
    };
    std::deque<TEntry> entries;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto next = [&](int count) { return i + count < arguments.size(); };
        if (argument == QStringLiteral("--raw") && next(1)) {
            const std::optional<QString> raw = DecodeEscapes(arguments[++i]);
            if (!raw)
                return std::nullopt;
            entries.push_back({true, *raw});
        } else if (argument == QStringLiteral("--no-crlf")) {
            options.CrLf = false;
        } else if (argument == QStringLiteral("--interval") && next(1)) {
            bool ok = false;
            options.IntervalMs = arguments[++i].toInt(&ok);
            if (!ok || options.IntervalMs < 0)
                return std::nullopt;
        } else if (argument == QStringLiteral("--service") && next(1)) {
            options.Service = arguments[++i];
        } else if (argument == QStringLiteral("--sweep") && next(4)) {
            bool okStart = false, okEnd = false, okStep = false, okInterval = false;
            const QString start = arguments[i + 1], step = arguments[i + 3];
            options.SweepStart = start.toDouble(&okStart);
            options.SweepEnd = arguments[i + 2].toDouble(&okEnd);
            options.SweepStep = step.toDouble(&okStep);
            options.SweepIntervalMs = arguments[i + 4].toInt(&okInterval);
            i += 4;
            if (!okStart || !okEnd || !okStep || !okInterval || options.SweepStep <= 0 ||
                options.SweepIntervalMs < 0 || !std::isfinite(options.SweepStart) || !std::isfinite(options.SweepEnd))
                return std::nullopt;
            options.SweepDecimals = std::max(DecimalsOf(start), DecimalsOf(step));
            options.Sweep = true;
        } else if (IsAzimuthText(argument)) {
            entries.push_back({false, argument});
        } else {
            return std::nullopt;
        }
    }
    for (const TEntry& entry : entries)
        options.Queue << (entry.Raw || !options.CrLf ? entry.Text : entry.Text + QStringLiteral("\r\n"));
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        PrintUsage(argv[0]);
        return 0;
    }
    std::optional<TOptions> options = ParseOptions(arguments);
    if (!options) {
        PrintUsage(argv[0]);
        return 2;
    }
    TPublisher publisher(std::move(*options));
    if (!publisher.Start())
        return 1;
    return application.exec();
}

#include "FeedPublisher.moc"
