// The old-config upgrade's bogey list: the numbered bogey tags of a traincar become a "bogeys" list.
#include "kuid/kuid.h"
#include "templates/dod_config_upgrade_steps.h"

namespace DODLib {
namespace ConfigUpgrade {

namespace {

class BogeyList {
public:
    explicit BogeyList(SoupHandle& config) : config_(config) { list_.EnsureContainer(); }

    // Takes one old tag into the list; false when the config has no such tag.
    bool Take(const Zel::PString& name, bool reversed)
    {
        if (!config_.HasNamedTag(name))
            return false;
        const KUID id = config_.GetNamedTagAsKUID(name, NullKUID);
        config_.RemoveNamedTag(name);
        if (id == NullKUID)
            return true;
        SoupHandle entry;
        entry.SetNamedTagKUID(Zel::PString("bogey"), id);
        entry.SetNamedTagInt(Zel::PString("reversed"), reversed ? 1 : 0);
        list_.SetNamedSoup(NumberedName("", next_++), entry);
        return true;
    }

    void Store() { config_.SetNamedSoup(Zel::PString("bogeys"), list_); }

private:
    SoupHandle& config_;
    SoupHandle list_;
    int next_ = 0;
};

}  // namespace

void BuildBogeyList(SoupHandle& config)
{
    BogeyList list(config);
    // Configs with a plain "bogey" number the others from 1; without one
    // they start at 0.
    const bool hasFirst = list.Take(Zel::PString("bogey"), false);
    list.Take(Zel::PString("bogey-r"), true);
    for (int i = hasFirst ? 1 : 0;; ++i) {
        const bool plain = list.Take(NumberedName("bogey-", i), false);
        const bool reversed = list.Take(NumberedName("bogey-", i, "-r"), true);
        if (!plain && !reversed)
            break;
    }
    list.Store();
}

}  // namespace ConfigUpgrade
}  // namespace DODLib
