// The status routine and the bilingual caption setter: link label, status dialog, timers.
#include "link/link.h"

namespace vt {

void SetBilingualCaption(Caption& target, int languageFlag, std::string_view english,
                         std::string_view chinese) {
    const bool chineseFirst = languageFlag == 1;
    target.caption = std::string(chineseFirst ? chinese : english);
    target.hint = std::string(chineseFirst ? english : chinese);
}

void Link::setLinkLabel(const TextPair& pair) {
    SetBilingualCaption(m_label.text, m_language, pair.english, pair.chinese);
    m_host.linkLabelChanged(m_label);
}

void Link::ShowLinkStatus(int kind, std::string_view text, int percent) {
    switch (kind) {
        case 0:  // offline: one text for both languages, the hint stays
            m_label.colour = texts::kColourOffline;
            m_label.text.caption = std::string(text);
            m_host.linkLabelChanged(m_label);
            m_timers.transfer.stop();
            m_timers.connect.stop();
            m_timers.hold.stop();
            m_linkState = kNoDevice;
            break;
        case 1:  // present
            m_linkState = kPresent;
            m_label.colour = texts::kColourBusy;
            m_host.linkLabelChanged(m_label);
            break;
        case 2: {  // progress
            m_label.colour = texts::kColourBusy;
            m_host.linkLabelChanged(m_label);
            const std::string english =
                std::string(texts::kStatusPrefix.english) + std::string(text);
            const std::string chinese =
                std::string(texts::kStatusPrefix.chinese) + std::string(text);
            SetBilingualCaption(m_dialog.label, m_language, english, chinese);
            m_dialog.percent = percent;
            m_dialog.visible = true;
            m_host.statusDialogChanged(m_dialog);
            break;
        }
        case 3:  // finished
            m_label.colour = texts::kColourFinished;
            m_host.linkLabelChanged(m_label);
            m_dialog.percent = percent;
            m_dialog.visible = false;
            m_host.statusDialogChanged(m_dialog);
            break;
        default:
            break;
    }
}

}  // namespace vt
