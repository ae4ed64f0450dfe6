// The Sieve grammar of RFC 5228 section 8: tokens, then commands, tests and arguments.
#include "filing/SieveScript.h"

#include <limits>

namespace fumibako::filing {

QString SieveError::text() const
{
    return QStringLiteral("%1行 %2列: %3").arg(position.line).arg(position.column).arg(message);
}

namespace {

// Deeper nesting is refused: no script written by a person goes near it, and it keeps the parser's stack small.
constexpr int kMaxDepth = 64;

struct Token {
    enum class Kind { End, Identifier, Tag, Number, String, Punctuation };
    Kind kind = Kind::End;
    QString text;       // identifier or tag (lower case), string value, or the punctuation character
    qint64 number = 0;
    SievePosition position;
    QString ruleName;   // of a "# rule: NAME" comment just before the token
};

class Lexer {
public:
    explicit Lexer(const QString& script) : m_text(script) {}

    Token next()
    {
        skipSpaceAndComments();
        Token token;
        token.position = position();
        token.ruleName = m_ruleName;
        m_ruleName = QString();
        if (atEnd())
            return token;
        const QChar c = peek();
        if (isIdentifierStart(c)) {
            token.kind = Token::Kind::Identifier;
            token.text = identifier();
            if (token.text == QLatin1String("text") && peek() == QLatin1Char(':')) {
                take();
                token.kind = Token::Kind::String;
                token.text = multiLineString(token.position);
            }
        } else if (c == QLatin1Char(':')) {
            take();
            if (atEnd() || !isIdentifierStart(peek()))
                fail(token.position, QStringLiteral("「:」の後にタグの名前がありません"));
            token.kind = Token::Kind::Tag;
            token.text = identifier();
        } else if (c.isDigit() && c.unicode() < 128) { // a digit of another script would be read as no number at all
            token.kind = Token::Kind::Number;
            token.number = number(token.position);
        } else if (c == QLatin1Char('"')) {
            token.kind = Token::Kind::String;
            token.text = quotedString(token.position);
        } else if (QStringLiteral("[](){},;").contains(c)) {
            token.kind = Token::Kind::Punctuation;
            token.text = take();
        } else {
            fail(token.position, QStringLiteral("ここに書けない文字です: ") + c);
        }
        return token;
    }

    [[noreturn]] static void fail(SievePosition at, const QString& message) { throw SieveError{at, message}; }

private:
    bool atEnd() const { return m_at >= m_text.size(); }
    QChar peek(qsizetype ahead = 0) const { return m_at + ahead < m_text.size() ? m_text.at(m_at + ahead) : QChar(); }
    SievePosition position() const { return {m_line, m_column}; }
    static bool isIdentifierStart(QChar c) { return (c.unicode() < 128 && c.isLetter()) || c == QLatin1Char('_'); }
    static bool isIdentifierPart(QChar c) { return isIdentifierStart(c) || (c.isDigit() && c.unicode() < 128); }

    QChar take()
    {
        const QChar c = m_text.at(m_at++);
        // CR LF, a lone LF and a lone CR each end a line.
        if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && peek() != QLatin1Char('\n'))) {
            ++m_line;
            m_column = 1;
        } else if (c != QLatin1Char('\r')) {
            ++m_column;
        }
        return c;
    }

    bool atLineEnd() const { return peek() == QLatin1Char('\n') || peek() == QLatin1Char('\r'); }
    void takeLineEnd()
    {
        if (take() == QLatin1Char('\r') && peek() == QLatin1Char('\n'))
            take();
    }

    void skipSpaceAndComments()
    {
        while (!atEnd()) {
            const QChar c = peek();
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                take();
            } else if (c == QLatin1Char('#')) {
                hashComment();
            } else if (c == QLatin1Char('/') && peek(1) == QLatin1Char('*')) {
                const SievePosition start = position();
                take();
                take();
                while (!(peek() == QLatin1Char('*') && peek(1) == QLatin1Char('/'))) {
                    if (atEnd())
                        fail(start, QStringLiteral("コメント「/*」が閉じていません"));
                    take();
                }
                take();
                take();
            } else {
                return;
            }
        }
    }

    void hashComment()
    {
        take();
        QString comment;
        while (!atEnd() && !atLineEnd())
            comment += take();
        comment = comment.trimmed();
        if (!comment.startsWith(QLatin1String("rule:"), Qt::CaseInsensitive))
            return;
        QString name = comment.mid(5).trimmed();
        if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
            name = name.mid(1, name.size() - 2);
        m_ruleName = name.isNull() ? QStringLiteral("") : name;
    }

    QString identifier()
    {
        QString name;
        while (!atEnd() && isIdentifierPart(peek()))
            name += take();
        return name.toLower();
    }

    qint64 number(SievePosition at)
    {
        qint64 value = 0;
        while (!atEnd() && peek().isDigit() && peek().unicode() < 128) {
            const int digit = take().unicode() - '0';
            if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
                fail(at, QStringLiteral("数が大きすぎます"));
            value = value * 10 + digit;
        }
        const QChar unit = peek().toUpper();
        const int shift = unit == QLatin1Char('K') ? 10 : unit == QLatin1Char('M') ? 20 : unit == QLatin1Char('G') ? 30 : 0;
        if (shift > 0) {
            take();
            if (value > (std::numeric_limits<qint64>::max() >> shift))
                fail(at, QStringLiteral("数が大きすぎます"));
            value <<= shift;
        }
        return value;
    }

    QString quotedString(SievePosition at)
    {
        take(); // the opening quote
        QString value;
        for (;;) {
            if (atEnd())
                fail(at, QStringLiteral("文字列が閉じていません"));
            const QChar c = take();
            if (c == QLatin1Char('"'))
                return value;
            if (c == QLatin1Char('\\')) {
                // An undefined escape stands for the character alone (RFC 5228 2.4.2).
                if (atEnd())
                    fail(at, QStringLiteral("文字列が閉じていません"));
                value += take();
                continue;
            }
            value += c;
        }
    }

    QString multiLineString(SievePosition at)
    {
        while (peek() == QLatin1Char(' ') || peek() == QLatin1Char('\t'))
            take();
        if (peek() == QLatin1Char('#')) {
            take();
            while (!atEnd() && !atLineEnd())
                take();
        }
        if (!atLineEnd())
            fail(at, QStringLiteral("「text:」の後は改行してください"));
        takeLineEnd();
        QString value;
        for (;;) {
            if (atEnd())
                fail(at, QStringLiteral("「text:」の文字列が「.」の行で終わっていません"));
            QString line;
            while (!atEnd() && !atLineEnd())
                line += take();
            const bool ended = !atEnd();
            if (ended)
                takeLineEnd();
            if (line == QLatin1String("."))
                return value;
            if (!ended)
                fail(at, QStringLiteral("「text:」の文字列が「.」の行で終わっていません"));
            value += (line.startsWith(QLatin1String("..")) ? line.mid(1) : line) + QStringLiteral("\r\n");
        }
    }

    const QString& m_text;
    qsizetype m_at = 0;
    int m_line = 1;
    int m_column = 1;
    QString m_ruleName;
};

class Parser {
public:
    explicit Parser(const QString& script) : m_lexer(script) { advance(); }

    QList<SieveCommand> script()
    {
        QList<SieveCommand> commands = commandList(0);
        if (m_token.kind != Token::Kind::End)
            Lexer::fail(m_token.position, QStringLiteral("「}」が多すぎます"));
        return commands;
    }

private:
    void advance() { m_token = m_lexer.next(); }
    bool isPunctuation(char c) const { return m_token.kind == Token::Kind::Punctuation && m_token.text == QLatin1Char(c); }
    void expect(char c, const QString& message)
    {
        if (!isPunctuation(c))
            Lexer::fail(m_token.position, message);
        advance();
    }
    static void checkDepth(int depth, SievePosition at)
    {
        if (depth > kMaxDepth)
            Lexer::fail(at, QStringLiteral("入れ子が深すぎます"));
    }

    QList<SieveCommand> commandList(int depth)
    {
        QList<SieveCommand> commands;
        while (m_token.kind != Token::Kind::End && !isPunctuation('}'))
            commands.append(command(depth));
        return commands;
    }

    SieveCommand command(int depth)
    {
        if (m_token.kind != Token::Kind::Identifier)
            Lexer::fail(m_token.position, QStringLiteral("コマンドの名前がありません"));
        SieveCommand command;
        command.name = m_token.text;
        command.position = m_token.position;
        command.ruleName = m_token.ruleName;
        advance();
        arguments(command.arguments, command.tests, depth);
        if (isPunctuation('{')) {
            checkDepth(depth + 1, m_token.position);
            const SievePosition open = m_token.position;
            advance();
            command.hasBlock = true;
            command.block = commandList(depth + 1);
            if (!isPunctuation('}'))
                Lexer::fail(open, QStringLiteral("「{」に対応する「}」がありません"));
            advance();
        } else {
            expect(';', QStringLiteral("「;」がありません"));
        }
        return command;
    }

    void arguments(QList<SieveArgument>& arguments, QList<SieveTest>& tests, int depth)
    {
        for (;;) {
            SieveArgument argument;
            argument.position = m_token.position;
            if (m_token.kind == Token::Kind::Tag) {
                argument.kind = SieveArgument::Kind::Tag;
                argument.tag = m_token.text;
                advance();
            } else if (m_token.kind == Token::Kind::Number) {
                argument.kind = SieveArgument::Kind::Number;
                argument.number = m_token.number;
                advance();
            } else if (m_token.kind == Token::Kind::String) {
                argument.strings = {m_token.text};
                argument.single = true;
                advance();
            } else if (isPunctuation('[')) {
                argument.strings = stringList();
            } else {
                break;
            }
            arguments.append(argument);
        }
        if (m_token.kind == Token::Kind::Identifier) {
            tests.append(test(depth + 1));
        } else if (isPunctuation('(')) {
            checkDepth(depth + 1, m_token.position);
            advance();
            tests.append(test(depth + 1));
            while (isPunctuation(',')) {
                advance();
                tests.append(test(depth + 1));
            }
            expect(')', QStringLiteral("「)」がありません"));
        }
    }

    QStringList stringList()
    {
        advance(); // "["
        QStringList strings;
        for (;;) {
            if (m_token.kind != Token::Kind::String)
                Lexer::fail(m_token.position, QStringLiteral("文字列のリストに文字列がありません"));
            strings.append(m_token.text);
            advance();
            if (!isPunctuation(','))
                break;
            advance();
        }
        expect(']', QStringLiteral("「]」がありません"));
        return strings;
    }

    SieveTest test(int depth)
    {
        checkDepth(depth, m_token.position);
        if (m_token.kind != Token::Kind::Identifier)
            Lexer::fail(m_token.position, QStringLiteral("テストの名前がありません"));
        SieveTest test;
        test.name = m_token.text;
        test.position = m_token.position;
        advance();
        arguments(test.arguments, test.tests, depth);
        return test;
    }

    Lexer m_lexer;
    Token m_token;
};

} // namespace

SieveSyntax parseSieve(const QString& script)
{
    SieveSyntax syntax;
    try {
        Parser parser(script);
        syntax.commands = parser.script();
    } catch (const SieveError& error) {
        syntax.error = error;
    }
    return syntax;
}

} // namespace fumibako::filing
