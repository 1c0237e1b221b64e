#include "core/engine/ProtectionTest.h"
#include "core/commands/ImageEdits.h"

#include "core/context/AppContext.h"
#include "core/image/ConfigurationWords.h"
#include "core/model/OptionIndex.h"

bool ProtectionTest(AppContext& ctx, bool silent)
{
    const bool warn = ctx.Options().IsEffective(OptionIndex::WarnProtection);
    if (!silent && !warn)
        return true;
    DeviceProfile& profile = ctx.Profile();
    bool result = true;
    bool clearing = false;
    bool asked = false;
    const int words = qBound(0, profile.cfgWords, DeviceProfile::MaxConfigWords);
    for (int i = 0; i < words; ++i) {
        const ConfigWord& word = profile.words[size_t(i)];
        const quint16 m = word.implementedMask;
        const quint16 p = word.protectMask;
        const quint16 v = word.value;
        const quint16 unprotected = quint16(m & ~p);
        if (quint16(v & m & ~p) == unprotected)
            continue;
        if (silent) {
            result = false;
            continue;
        }
        if (!asked) {
            asked = true;
            MessageRequest box;
            box.caption = QStringLiteral("Code Protection Warning");
            box.text =
                QStringLiteral("The Fuse settings indicate Code Protection has been enabled. \r\rContinue with code "
                               "protection?\rSelect  YES  to continue.\rSelect  NO  to disable code protection, then "
                               "continue.\rSelect  CANCEL  to abort this operation.");
            box.buttons = YesButton | NoButtonAnswer | CancelButton;
            box.defaultButton = YesButton;
            box.icon = BoxIcon::Question;
            box.sound = SoundKind::Question;
            const BoxButton answer = ctx.Operator().ShowMessage(box);
            if (answer == CancelButton)
                return false;
            if (answer == YesButton)
                return true;
            clearing = true;
        }
        if (clearing)
            DecodeConfigWord(ctx, quint16(v | quint16(~p)), i);
    }
    if (!silent && clearing) {
        ComposeSelectedWord(ctx);
        StoreComposedWords(ctx);
    }
    return result;
}
