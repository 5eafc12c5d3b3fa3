#pragma once

#include <QList>
#include <QUrl>

namespace Parcella {

class AppModel;

// What the running application does with URLs it is asked to open (from its command line, a
// later start or the file manager): the files together first, then each batch in turn; any other
// parcella: URL opens the popover, and other URLs are ignored.
class URLOpener {
public:
    static void open(AppModel& model, const QList<QUrl>& urls);
};

} // namespace Parcella
