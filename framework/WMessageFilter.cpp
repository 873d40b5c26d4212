#include "framework/WMessageFilter.h"

#include <QCoreApplication>
#include <algorithm>
#include <vector>

namespace orvanta {

namespace {

struct Entry {
    int id;
    int priority;
    MessageFilter filter;
};

// One application event filter dispatches to every installed message filter,
// so that their order is the order of priority rather than of installation.
class Dispatcher : public QObject {
public:
    std::vector<Entry> entries;
    bool eventFilter(QObject* target, QEvent* event) override {
        const auto entries_ = entries;  // a filter may remove itself
        for (const Entry& e : entries_)
            if (e.filter(target, event)) return true;
        return false;
    }
};

Dispatcher* dispatcher() {
    static Dispatcher* instance = [] {
        auto* d = new Dispatcher;
        QCoreApplication::instance()->installEventFilter(d);
        return d;
    }();
    return instance;
}

int lastId = 0;

}  // namespace

int installMessageFilter(int priority, MessageFilter filter) {
    Dispatcher* d = dispatcher();
    Entry entry{++lastId, priority, std::move(filter)};
    auto at = std::upper_bound(d->entries.begin(), d->entries.end(), priority,
                               [](int p, const Entry& e) { return p < e.priority; });
    d->entries.insert(at, std::move(entry));
    return lastId;
}

void removeMessageFilter(int id) {
    std::erase_if(dispatcher()->entries, [id](const Entry& e) { return e.id == id; });
}

}  // namespace orvanta
