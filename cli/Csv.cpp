#include "cli/Csv.h"

#include "base/Result.h"

#include <QUtf8StringView>

#include <algorithm>

namespace Cli::Csv {

namespace {

constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kNewline = QLatin1Char('\n');
constexpr QChar kReturn = QLatin1Char('\r');

// Walks the text character by character, counting lines.
class Reader
{
public:
    Reader(const QString& text, QChar separator) : m_text(text), m_separator(separator) {}

    ParseResult parse()
    {
        ParseResult result;
        while (!atEnd()) {
            const qsizetype line = m_line;
            const Result<QStringList> fields = readRecord();
            if (fields.failed()) {
                result.problems << Problem{line, fields.reason()};
                skipRestOfLine();
            } else if (fields->size() > 1 || !fields->constFirst().isEmpty()) {
                result.records << Record{line, fields.value()};
            }
        }
        return result;
    }

private:
    bool atEnd() const { return m_at >= m_text.size(); }
    QChar peek(qsizetype ahead = 0) const
    {
        return m_at + ahead < m_text.size() ? m_text.at(m_at + ahead) : QChar();
    }

    // Consumes a line end (CRLF, LF, or CR as older spreadsheets write), if one is next.
    bool takeLineEnd()
    {
        if (peek() != kNewline && peek() != kReturn)
            return false;
        m_at += peek() == kReturn && peek(1) == kNewline ? 2 : 1;
        ++m_line;
        return true;
    }

    void skipRestOfLine()
    {
        while (!atEnd() && !takeLineEnd())
            ++m_at;
    }

    Result<QStringList> readRecord()
    {
        QStringList fields;
        while (true) {
            const Result<QString> field = peek() == kQuote ? readQuoted() : readPlain();
            if (field.failed())
                return Result<QStringList>::failure(field.reason());
            fields << field.value();
            if (peek() == m_separator)
                ++m_at;
            else if (atEnd() || takeLineEnd())
                return fields;
            else
                return Result<QStringList>::failure(QStringLiteral("text follows a closing quote"));
        }
    }

    Result<QString> readPlain()
    {
        QString field;
        while (!atEnd() && peek() != m_separator && peek() != kNewline && peek() != kReturn) {
            if (peek() == kQuote) {
                return Result<QString>::failure(
                    QStringLiteral("a quote inside a field that does not start with one"));
            }
            field += m_text.at(m_at++);
        }
        return field;
    }

    Result<QString> readQuoted()
    {
        const qsizetype opened = m_line;
        QString field;
        ++m_at;
        while (!atEnd()) {
            const QChar c = m_text.at(m_at++);
            if (c == kQuote) {
                if (peek() != kQuote)
                    return field;
                ++m_at;
            } else if (c == kNewline || (c == kReturn && peek() != kNewline)) {
                ++m_line;
            }
            field += c;
        }
        return Result<QString>::failure(
            QStringLiteral("the quote opened on line %1 is never closed").arg(opened));
    }

    const QString& m_text;
    QChar m_separator;
    qsizetype m_at = 0;
    qsizetype m_line = 1;
};

// UTF-16, as spreadsheets save "Unicode text": a byte order mark, or Latin
// text with a NUL byte in every other place.
bool looksLikeUtf16(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    const QByteArray start = bytes.left(64 & ~1);
    if (start.size() < 4)
        return false;
    for (const qsizetype zeroAt : {0, 1}) {
        bool alternating = true;
        for (qsizetype i = 0; i < start.size() && alternating; ++i)
            alternating = (start.at(i) == '\0') == (i % 2 == zeroAt);
        if (alternating)
            return true;
    }
    return false;
}

} // namespace

ParseResult parse(const QByteArray& bytes)
{
    const QString fix = QStringLiteral("; save it as CSV UTF-8");
    if (looksLikeUtf16(bytes))
        return {{}, {Problem{1, QStringLiteral("the manifest is UTF-16 text") + fix}}};
    // A NUL in the header line: a binary file, told once rather than line by line.
    if (bytes.left(bytes.indexOf('\n')).contains('\0')) {
        return {
            {},
            {Problem{1, QStringLiteral("the manifest is not text (it holds NUL bytes)") + fix}}};
    }
    const QByteArray data = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    // Each line on its own, so that a byte that is not UTF-8 is told with its line.
    ParseResult invalid;
    qsizetype line = 1;
    for (const QByteArray& part : data.split('\n')) {
        if (!QUtf8StringView(part).isValidUtf8())
            invalid.problems << Problem{line, QStringLiteral("the line is not valid UTF-8") + fix};
        ++line;
    }
    if (!invalid.problems.isEmpty())
        return invalid;
    const QString text = QString::fromUtf8(data);
    // Spreadsheets in many locales separate fields with semicolons: the header
    // line tells which, by what separates its column names.
    const auto lineEnd = std::find_if(text.cbegin(), text.cend(),
                                      [](QChar c) { return c == kNewline || c == kReturn; });
    const QString header = text.left(lineEnd - text.cbegin());
    const QChar separator = header.count(QLatin1Char(';')) > header.count(QLatin1Char(','))
                                ? QLatin1Char(';')
                                : QLatin1Char(',');
    return Reader(text, separator).parse();
}

} // namespace Cli::Csv
