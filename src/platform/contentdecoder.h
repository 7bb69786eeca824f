#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>

namespace kuokuo {

// Undoes the content coding of an HTTP body (gzip or deflate) as it arrives, and knows whether
// the coded stream really ended. libcurl's own decoder takes a gzip body cut inside a whole HTTP
// response as complete; a file saved from it would be silently short.
class ContentDecoder
{
public:
    // The Accept-Encoding offered: the codings this decoder undoes.
    static constexpr const char *Accepted = "gzip, deflate";
    // Where decoded bytes go; false refuses them and stops the decoding.
    using Output = std::function<bool(const char *data, qint64 size)>;

    ContentDecoder();
    ~ContentDecoder();
    ContentDecoder(const ContentDecoder &) = delete;
    ContentDecoder &operator=(const ContentDecoder &) = delete;

    // Starts over for a body with this Content-Encoding value (empty: not coded).
    void reset(QByteArrayView contentEncoding = {});
    // Hands the decoded bytes of `data` to `output`. False when the data is damaged, its coding
    // unknown, it decodes to far more than it is (a decompression bomb), or `output` refused
    // (then `error` is empty).
    bool decode(QByteArrayView data, const Output &output);
    // The body ended where its coded stream ends (an empty body is complete).
    bool complete() const;
    QString error() const { return m_error; }
    bool bomb() const { return m_bomb; }

private:
    struct Stream;
    bool fail(const QString &error);

    std::unique_ptr<Stream> m_stream;
    QString m_error;
    bool m_bomb = false;
};

} // namespace kuokuo
