#include "profiles/profile.h"

#include "platform/qt/whole_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <cstdio>
#include <limits>

const char kProfileFormat[] = "k964-settings";

namespace {

const char* const kSetPointKeys[3] = {"zeroPoint", "endMark", "limit"};
const char* const kSetPointNames[3] = {"zero point", "end mark", "limit"};

QString key(const char* k) {
    return QString::fromLatin1(k);
}

std::string number_text(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// Reads one document, field by field; the first fault found is kept.
class Reader {
  public:
    explicit Reader(ProfileLoad& out) : out_(out) {}

    bool failed() const { return out_.status != ProfileLoad::Ok; }
    void fail(const std::string& message, ProfileLoad::Status status = ProfileLoad::Damaged) {
        if (failed())
            return;
        out_.status = status;
        out_.message = message;
    }

    QJsonValue field(const QJsonObject& o, const char* k, const std::string& name) {
        const QJsonValue v = o.value(key(k));
        if (v.isUndefined())
            fail(name + " is missing");
        return v;
    }
    QJsonObject object(const QJsonObject& o, const char* k, const std::string& name) {
        const QJsonValue v = field(o, k, name);
        if (!v.isUndefined() && !v.isObject())
            fail(name + " is not a group of values");
        return v.toObject();
    }
    std::string text(const QJsonObject& o, const char* k, const std::string& name) {
        const QJsonValue v = field(o, k, name);
        if (!v.isUndefined() && !v.isString())
            fail(name + " is not a text");
        return v.toString().toStdString();
    }
    bool flag(const QJsonObject& o, const char* k, const std::string& name) {
        const QJsonValue v = field(o, k, name);
        if (!v.isUndefined() && !v.isBool())
            fail(name + " is not true or false");
        return v.toBool();
    }
    double real(const QJsonObject& o, const char* k, const std::string& name) {
        const QJsonValue v = field(o, k, name);
        if (v.isUndefined())
            return 0.0;
        if (!v.isDouble()) {
            fail(name + " is not a number");
            return 0.0;
        }
        const std::string problem = real_problem(v.toDouble());
        if (!problem.empty())
            fail(name + " " + problem);
        return v.toDouble();
    }
    std::int32_t integer(const QJsonObject& o, const char* k, const std::string& name) {
        const QJsonValue v = field(o, k, name);
        if (v.isUndefined())
            return 0;
        const double d = v.toDouble();
        if (!v.isDouble() || !std::isfinite(d) || std::floor(d) != d) {
            fail(name + " is not a whole number");
            return 0;
        }
        if (d < std::numeric_limits<std::int32_t>::min() ||
            d > std::numeric_limits<std::int32_t>::max()) {
            fail(name + " is out of range (" + number_text(d) + ")");
            return 0;
        }
        return static_cast<std::int32_t>(d);
    }

  private:
    ProfileLoad& out_;
};

} // namespace

int mode_of(std::int32_t word0) {
    if (!(word0 & 0x10))
        return 2;
    return (word0 & 0x20) ? 1 : 0;
}

bool config_bit0(std::int32_t word0) {
    return (word0 & 0x01) != 0;
}

bool config_bit3(std::int32_t word0) {
    return (word0 & 0x08) != 0;
}

std::string real_problem(double value) {
    if (!std::isfinite(value))
        return "is not a finite number";
    const double m = std::fabs(value);
    if (m >= kRealLimit || (m != 0.0 && m < 1.0 / kRealLimit))
        return "is out of range (" + number_text(value) + ")";
    return {};
}

QByteArray profile_json(const Profile& p) {
    const TransmitterSettings& v = p.values;
    QJsonObject words;
    for (int i = 0; i < 10; ++i)
        words.insert(QString::number(kWordNumbers[i]), v.words[i]);
    QJsonObject setPoints;
    QJsonObject constants;
    for (int i = 0; i < 3; ++i) {
        setPoints.insert(key(kSetPointKeys[i]), v.setPoints[i]);
        constants.insert(QString::number(kConstantNumbers[i]), v.constants[i]);
    }
    QJsonObject doc;
    doc.insert(QStringLiteral("format"), key(kProfileFormat));
    doc.insert(QStringLiteral("version"), kProfileVersion);
    doc.insert(QStringLiteral("program"), QString::fromStdString(p.program));
    doc.insert(QStringLiteral("saved"), QString::fromStdString(p.saved));
    doc.insert(QStringLiteral("tag"), QString::fromStdString(p.tag));
    doc.insert(QStringLiteral("device"), QString::fromStdString(v.device));
    doc.insert(QStringLiteral("words"), words);
    doc.insert(QStringLiteral("mode"), mode_of(v.words[0]));
    doc.insert(QStringLiteral("configBit0"), config_bit0(v.words[0]));
    doc.insert(QStringLiteral("configBit3"), config_bit3(v.words[0]));
    doc.insert(QStringLiteral("setPoints"), setPoints);
    doc.insert(QStringLiteral("constants"), constants);
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

ProfileLoad profile_from_json(const QByteArray& bytes) {
    ProfileLoad out;
    out.status = ProfileLoad::Ok;
    Reader r(out);
    if (bytes.trimmed().isEmpty()) {
        r.fail("the file is empty");
        return out;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        // Cut short or garbled, a settings file still names its format.
        if (!bytes.contains(kProfileFormat)) {
            r.fail("it does not say it holds K964 settings", ProfileLoad::NotOurs);
            return out;
        }
        r.fail("it is not whole (" + error.errorString().toStdString() + " at byte " +
               std::to_string(error.offset) + ")");
        return out;
    }
    const QJsonObject o = doc.object();
    if (!doc.isObject() || o.value(QStringLiteral("format")).toString() != key(kProfileFormat)) {
        r.fail("it does not say it holds K964 settings", ProfileLoad::NotOurs);
        return out;
    }
    const QJsonValue version = o.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) ||
        version.toDouble() < 1) {
        r.fail("its version is not a number this program knows");
        return out;
    }
    if (version.toDouble() > kProfileVersion) {
        r.fail("it is of version " + number_text(version.toDouble()) +
                   ", from a newer program; this one reads version " +
                   std::to_string(kProfileVersion),
               ProfileLoad::Newer);
        return out;
    }
    Profile& p = out.profile;
    TransmitterSettings& v = p.values;
    p.program = r.text(o, "program", "the program's version");
    p.saved = r.text(o, "saved", "the date");
    p.tag = r.text(o, "tag", "the tag");
    v.device = r.text(o, "device", "the VV reply");
    const QJsonObject words = r.object(o, "words", "the settings words");
    for (int i = 0; i < 10 && !r.failed(); ++i) {
        const std::string n = std::to_string(kWordNumbers[i]);
        v.words[i] = r.integer(words, n.c_str(), "settings word " + n);
    }
    const std::int32_t mode = r.integer(o, "mode", "the measuring mode");
    const bool bit0 = r.flag(o, "configBit0", "configuration bit 0");
    const bool bit3 = r.flag(o, "configBit3", "configuration bit 3");
    const QJsonObject setPoints = r.object(o, "setPoints", "the set points");
    const QJsonObject constants = r.object(o, "constants", "the constants");
    for (int i = 0; i < 3 && !r.failed(); ++i) {
        v.setPoints[i] = r.real(setPoints, kSetPointKeys[i], kSetPointNames[i]);
        const std::string n = std::to_string(kConstantNumbers[i]);
        v.constants[i] = r.real(constants, n.c_str(), "constant " + n);
    }
    if (r.failed())
        return out;
    // The mode and the switches are written from these fields, the rest of
    // word 0 is compared: an edit of one without the other is refused.
    if (mode < 0 || mode > 2)
        r.fail("the measuring mode is " + std::to_string(mode) + ", not 0, 1 or 2");
    else if (mode != mode_of(v.words[0]))
        r.fail("the measuring mode does not agree with settings word 0");
    else if (bit0 != config_bit0(v.words[0]) || bit3 != config_bit3(v.words[0]))
        r.fail("the configuration bits do not agree with settings word 0");
    return out;
}

ProfileLoad read_profile_file(const std::string& path) {
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        ProfileLoad out;
        out.status = ProfileLoad::Unreadable;
        out.message = "it cannot be read: " + file.errorString().toStdString();
        return out;
    }
    // A settings file is a few hundred bytes; anything far larger is not one.
    const qint64 limit = 64 * 1024;
    if (file.size() > limit) {
        ProfileLoad out;
        out.status = ProfileLoad::NotOurs;
        out.message = "it is far larger than a settings file";
        return out;
    }
    return profile_from_json(file.readAll());
}

std::string write_profile_file(const std::string& path, const Profile& profile) {
    return writeWholeFile(QString::fromLocal8Bit(path.c_str()), profile_json(profile))
        .toStdString();
}
