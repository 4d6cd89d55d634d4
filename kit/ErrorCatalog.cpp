#include "kit/ErrorCatalog.h"

#include "kit/MessageBoxes.h"
#include "state/Refusals.h"

namespace kx {

void showError(MessageBoxes& boxes, short code) {
    const Refusal* r = findRefusal(code);
    if (!r)
        return;
    boxes.inform(r->warning ? MessageBoxes::Icon::Warning : MessageBoxes::Icon::Stop, r->title(),
                 QString::fromLatin1(r->text));
}

void showError(MessageBoxes& boxes, const PortRefusal& refusal) {
    boxes.inform(MessageBoxes::Icon::Warning, QString::fromLatin1(connectionError),
                 refusal.boxText());
}

} // namespace kx
