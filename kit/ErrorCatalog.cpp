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

} // namespace kx
