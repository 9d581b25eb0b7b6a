// The interface the running program offers on the session bus is the one dbus/sk.kalvo.Kalvo1.xml
// describes: every method with its arguments' types, directions and names. The program's side is read
// as the bus would show it, by QtDBus's own introspection of BusService, without a bus.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QFile>
#include <QMetaClassInfo>
#include <QXmlStreamReader>
#include <algorithm>
#include <map>

#include "app/bus_service.h"

// QtDBus's generator of an object's introspection, exported for its own tools (qdbuscpp2xml); the
// connection answers Introspect with it.
QString qDBusGenerateMetaObjectXml(QString interface, const QMetaObject* mo, const QMetaObject* base, int flags);

namespace {

struct Arg {
    QString name, type, direction;
};
// The methods and signals ("method Snooze"), each with its arguments in order; a property of the
// description has none, and the code exports none.
using Members = std::map<QString, QList<Arg>>;

QString Text(const Arg& a) {
    return QStringLiteral("%1 %2%3").arg(a.direction, a.type, a.name.isEmpty() ? QString() : QLatin1Char(' ') + a.name);
}

// The members of `interface` in an introspection text; nothing when the interface is not there.
Members Read(const QString& xml, const QString& interface) {
    Members members;
    QXmlStreamReader reader(xml);
    QString current;
    QList<Arg>* args = nullptr;
    bool inside = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("interface")) inside = false;
        if (!reader.isStartElement()) continue;
        const auto name = reader.name();
        const auto attr = reader.attributes();
        if (name == QLatin1String("interface")) {
            inside = attr.value(QLatin1String("name")) == interface;
        } else if (inside && (name == QLatin1String("method") || name == QLatin1String("signal") ||
                              name == QLatin1String("property"))) {
            current = name.toString();
            args = &members[current + QLatin1Char(' ') + attr.value(QLatin1String("name")).toString()];
        } else if (inside && args && name == QLatin1String("arg")) {
            QString direction = attr.value(QLatin1String("direction")).toString();
            if (direction.isEmpty())
                direction = current == QLatin1String("signal") ? QStringLiteral("out") : QStringLiteral("in");
            args->append({attr.value(QLatin1String("name")).toString(), attr.value(QLatin1String("type")).toString(),
                          direction});
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    // A call's in and out arguments are two signatures of their own: the order between them means nothing.
    for (auto& [member, list] : members)
        std::stable_partition(list.begin(), list.end(),
                              [](const Arg& a) { return a.direction == QLatin1String("in"); });
    return members;
}

// What differs between the description and the code, one line each; names are compared where both
// sides have one (a C++ return value has none).
QStringList Differences(const Members& described, const Members& code) {
    QStringList out;
    for (const auto& [member, args] : described)
        if (!code.count(member)) out << member + QStringLiteral(": described, not in the code");
    for (const auto& [member, args] : code) {
        const auto it = described.find(member);
        if (it == described.end()) {
            out << member + QStringLiteral(": in the code, not described");
            continue;
        }
        bool same = it->second.size() == args.size();
        for (qsizetype i = 0; same && i < args.size(); ++i) {
            const Arg& a = it->second[i];
            const Arg& b = args[i];
            same = a.type == b.type && a.direction == b.direction &&
                   (a.name.isEmpty() || b.name.isEmpty() || a.name == b.name);
        }
        if (same) continue;
        QStringList d, c;
        for (const Arg& a : it->second) d << Text(a);
        for (const Arg& a : args) c << Text(a);
        out << member + QStringLiteral(": described (%1), in the code (%2)").arg(d.join(", "), c.join(", "));
    }
    return out;
}

QString InterfaceName() {
    const QMetaObject& mo = kalvo::app::BusService::staticMetaObject;
    return QString::fromLatin1(mo.classInfo(mo.indexOfClassInfo("D-Bus Interface")).value());
}

QString Described() {
    QFile file(QStringLiteral(KALVO_DBUS_XML));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << KALVO_DBUS_XML;
    return QString::fromUtf8(file.readAll());
}

// The program's side as the bus shows it (BusService registers with ExportScriptableSlots).
QString FromCode() {
    kalvo::app::BusService::RegisterTypes();
    return QStringLiteral("<node>%1</node>")
        .arg(qDBusGenerateMetaObjectXml(InterfaceName(), &kalvo::app::BusService::staticMetaObject,
                                        &QObject::staticMetaObject, QDBusConnection::ExportScriptableSlots));
}

TEST(BusInterface, CodeOffersWhatTheDescriptionSays) {
    const Members described = Read(Described(), InterfaceName());
    const Members code = Read(FromCode(), InterfaceName());
    ASSERT_FALSE(described.empty()) << "no interface " << InterfaceName().toStdString() << " in " << KALVO_DBUS_XML;
    ASSERT_TRUE(code.count(QStringLiteral("method ListDay"))) << "a slot's type is unknown to QtDBus:\n"
                                                              << FromCode().toStdString();
    EXPECT_EQ(Differences(described, code).join('\n').toStdString(), "");
}

// A description that has drifted from the code is caught, whichever way it drifted.
TEST(BusInterface, DriftIsNamed) {
    const Members code = Read(FromCode(), InterfaceName());
    QString xml = Described();
    xml.replace(QStringLiteral(R"(<arg name="minutes" type="u")"), QStringLiteral(R"(<arg name="minutes" type="i")"));
    xml.replace(QStringLiteral(R"(<method name="ShowToday"/>)"), QString());
    xml.replace(QStringLiteral(R"(<arg name="user" type="s" direction="out"/>)"), QString());
    xml.replace(QStringLiteral(R"(<method name="Acknowledge"/>)"), QStringLiteral(R"(<method name="Forget"/>)"));
    const QString found = Differences(Read(xml, InterfaceName()), code).join('\n');
    for (const char* member :
         {"method Snooze: described (in i minutes)", "method ShowToday: in the code, not described",
          "method Identity: described (out s folder)", "method Forget: described, not in the code",
          "method Acknowledge: in the code, not described"})
        EXPECT_TRUE(found.contains(QLatin1String(member))) << member << "\nnot in:\n" << found.toStdString();
}

}  // namespace
