// --allow: who may connect, this computer always, and one report per refused address a minute.
#include <gtest/gtest.h>

#include <string>

#include "ConnectionGate.h"

namespace {

QList<QPair<QHostAddress, int>> Networks(const QStringList& texts)
{
    QList<QPair<QHostAddress, int>> networks;
    for (const QString& text : texts)
        networks << QHostAddress::parseSubnet(text);
    return networks;
}

}  // namespace

TEST(ConnectionGate, AdmitsTheAllowedNetworksAndThisComputerAlways)
{
    const struct {
        const char* Peer;
        QStringList Allowed;
        bool Admitted;
    } rows[] = {
        {"10.0.0.5", {}, true},
        {"192.168.1.20", {"192.168.1.0/24"}, true},
        {"::ffff:192.168.1.20", {"192.168.1.0/24"}, true},
        {"192.168.2.20", {"192.168.1.0/24"}, false},
        {"::ffff:192.168.2.20", {"192.168.1.0/24"}, false},
        {"10.0.0.5", {"192.168.1.0/24", "10.0.0.0/8"}, true},
        {"2001:db8::5", {"2001:db8::/32"}, true},
        {"2001:db9::5", {"2001:db8::/32"}, false},
        {"127.0.0.1", {"192.168.1.0/24"}, true},
        {"127.0.0.2", {"192.0.2.0/24"}, true},
        {"::1", {"192.168.1.0/24"}, true},
        {"::ffff:127.0.0.1", {"192.168.1.0/24"}, true},
        {"::ffff:10.0.0.5", {"::ffff:10.0.0.0/104"}, true},
    };
    for (const auto& row : rows) {
        const TConnectionGate gate(Networks(row.Allowed));
        EXPECT_EQ(gate.Admits(QHostAddress(QString::fromLatin1(row.Peer))), row.Admitted)
            << row.Peer << " with " << row.Allowed.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(ConnectionGate, ReportsARefusedAddressOnceAMinute)
{
    TConnectionGate gate(Networks({"192.168.1.0/24"}));
    const std::string line = "tolvane-bridge: refused a connection from 10.0.0.5 (not in --allow)\n";
    const struct {
        const char* Name;
        const char* Peer;
        std::uint64_t NowMs;
        const char* Report;  // nullptr: none
    } rows[] = {
        {"first refusal", "10.0.0.5", 1000, line.c_str()},
        {"again at once", "10.0.0.5", 1001, nullptr},
        {"the same through a dual-stack socket", "::ffff:10.0.0.5", 30000, nullptr},
        {"another address", "10.0.0.6", 30000, "tolvane-bridge: refused a connection from 10.0.0.6 (not in --allow)\n"},
        {"a minute less 1 ms", "10.0.0.5", 60999, nullptr},
        {"a minute later", "10.0.0.5", 61000, line.c_str()},
        {"the other one, still within its minute", "10.0.0.6", 61000, nullptr},
        {"IPv6", "2001:db8::5", 61000, "tolvane-bridge: refused a connection from 2001:db8::5 (not in --allow)\n"},
    };
    for (const auto& row : rows) {
        const std::optional<std::string> report = gate.Refused(QHostAddress(QString::fromLatin1(row.Peer)), row.NowMs);
        EXPECT_EQ(report.value_or("(none)"), row.Report ? row.Report : "(none)") << row.Name;
    }
}

TEST(ConnectionGate, RemembersABoundedNumberOfAddresses)
{
    TConnectionGate gate({});
    const auto address = [](std::size_t i) { return QHostAddress(static_cast<quint32>(0x0A000000u + i)); };
    for (std::size_t i = 0; i < TConnectionGate::MaxRemembered; ++i)
        ASSERT_TRUE(gate.Refused(address(i), 1000 + i)) << i;
    // Full: a new address goes unreported, and the first one is still remembered.
    EXPECT_FALSE(gate.Refused(address(TConnectionGate::MaxRemembered), 5000));
    EXPECT_FALSE(gate.Refused(address(0), 5000));
    // Once the first ones are a minute old they make room.
    EXPECT_TRUE(gate.Refused(address(TConnectionGate::MaxRemembered), 61001));
    EXPECT_TRUE(gate.Refused(address(0), 61001));
}
