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
    m_labelPair = &pair;
    SetBilingualCaption(m_label.text, m_language, pair.english, pair.chinese);
    m_host.linkLabelChanged(m_label);
}

void Link::setDialogLabel() {
    // Both prefixes go with the text as the link label shows it in the current language.
    const std::string& shown =
        m_language == kLanguageChinese ? m_dialogTexts->second : m_dialogTexts->first;
    SetBilingualCaption(m_dialog.label, m_language,
                        std::string(texts::kStatusPrefix.english) + shown,
                        std::string(texts::kStatusPrefix.chinese) + shown);
}

void Link::setLanguage(int flag) {
    if (flag == m_language) return;
    m_language = flag;
    if (m_labelPair) setLinkLabel(*m_labelPair);
    if (m_dialogTexts) {
        setDialogLabel();
        m_host.statusDialogChanged(m_dialog);
    }
}

void Link::ShowLinkStatus(int kind, std::string_view text, int percent) {
    switch (kind) {
        case 0:  // offline: one text for both languages, the hint stays
            m_label.colour = texts::kColourOffline;
            m_label.text.caption = std::string(text);
            m_labelPair = nullptr;
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
            // The text is the link label's caption: the dialog keeps both of its languages.
            if (m_labelPair && text == m_label.text.caption)
                m_dialogTexts.emplace(m_labelPair->english, m_labelPair->chinese);
            else
                m_dialogTexts.emplace(text, text);
            setDialogLabel();
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
