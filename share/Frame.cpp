#include "share/Frame.h"

namespace kx::frame {

QByteArray encode(const QByteArray& word, const QByteArrayList& fields) {
    QByteArray line = word;
    for (const QByteArray& f : fields)
        line += ' ' + f.toPercentEncoding();
    return line + '\n';
}

std::optional<Message> Reader::next() {
    if (failed_)
        return std::nullopt;
    const qsizetype lf = pending_.indexOf('\n');
    if (lf < 0) {
        if (pending_.size() >= longest) {
            failed_ = true;
            pending_.clear();
        }
        return std::nullopt;
    }
    if (lf >= longest) {
        failed_ = true;
        pending_.clear();
        return std::nullopt;
    }
    const QByteArrayList parts = pending_.left(lf).split(' ');
    pending_.remove(0, lf + 1);
    Message m{parts.first(), {}};
    for (qsizetype i = 1; i < parts.size(); ++i)
        m.fields << QByteArray::fromPercentEncoding(parts[i]);
    return m;
}

} // namespace kx::frame
