// The numbered link operations: start a read, re-read or write of the image, finish it, report a
// saved image, a lost unit or a failed connection. Each one leaves its state consistent before it
// shows a (modal) message.
#include "link/link.h"

#include "link/transfer_layout.h"

namespace vt {

using namespace link;

void Link::DisCheckWindow(int uMode) {
    switch (uMode) {
        case kOpReadComplete:
            readComplete();
            break;
        case kOpReRead:
            reRead();
            break;
        case kOpSaved:
            saved();
            break;
        case kOpConnecting:
            connecting();
            break;
        case kOpWriteImage:
            writeImage();
            break;
        case kOpUnitLost:
            unitLost();
            break;
        case kOpConnectionFailed:
            connectionFailed();
            break;
        default:
            break;
    }
}

void Link::stopForTransfer() {
    m_timers.connect.stop();
    m_send.queue.clear();
    m_send.writeAwaitingAnswer = 0;
    m_timers.hold.stop();
}

void Link::connecting() {
    stopForTransfer();
    TransferState& t = m_transfer;
    t.mode = kTransferRead;
    t.lastStep = kLastStep;
    t.currentStep = 0;
    t.packetIndex = 0;
    t.address = 0;
    if (m_linkState == kConnected) m_linkState = kPresent;
    // A device command left waiting by an earlier connection is not this connection's answer.
    m_send.pendingOperation = kOpNone;
    armFirstStep();
    SendPacketStep(0, kTransferRead);
    setLinkLabel(texts::kConnecting);
    ShowLinkStatus(2, m_label.text.caption, 0);
    m_timers.transfer.start();
}

void Link::armFirstStep() {
    // The first step is timed like every later one: an answer left over from before the transfer
    // does not count for it, and when it stays unanswered the transfer fails 5.55 s later instead
    // of waiting for ever. Armed before the step goes out, so that an answer may come at once.
    m_transfer.state = kTransferStepSent;
    m_transfer.ticks = 0;
}

void Link::reRead() {
    stopForTransfer();
    TransferState& t = m_transfer;
    t.currentStep = 1;
    t.lastStep = kLastStep;
    t.mode = kTransferRead;
    t.packetIndex = 0;
    t.address = transferAddress(1, 0);
    setLinkLabel(texts::kDownloadingRead);
    ShowLinkStatus(2, m_label.text.caption, 0);
    armFirstStep();
    SendPacketStep(1, kTransferRead);
    if (m_linkState == kConnected) m_linkState = kPresent;
    m_timers.transfer.start();
}

void Link::writeImage() {
    if (m_linkState != kConnected) return;
    stopForTransfer();
    TransferState& t = m_transfer;
    t.address = transferAddress(1, 0);
    t.currentStep = 1;
    t.lastStep = kLastStep;
    t.mode = kTransferWrite;
    t.packetIndex = 0;
    setLinkLabel(texts::kDownloadingWrite);
    m_linkState = kPresent;
    armFirstStep();
    SendPacketStep(1, kTransferWrite);
    m_timers.transfer.start();
}

void Link::readComplete() {
    m_host.applyDeviceImage();
    m_host.applyDeviceImage();
    if (m_transfer.mode == kTransferRead) m_host.unitImageRead();
    m_linkState = kConnected;
    m_send.queue.clear();
    m_transfer.connectionAnswer = 0;
    setLinkLabel(texts::kDeviceConnected);
    ShowLinkStatus(3, m_label.text.caption, m_transfer.percent);
    m_timers.hold.start();
}

void Link::saved() {
    m_linkState = kConnected;
    setLinkLabel(texts::kDeviceConnected);
    ShowLinkStatus(3, m_label.text.caption, 0);
    raiseMessage(texts::kSaveSuccessfully.text, pick(texts::kConfirmCaption, m_language));
}

void Link::unitLost() {
    m_timers.transfer.stop();
    m_timers.connect.stop();
    m_model.sendSuppression = 0;
    if (m_linkState == kConnected) m_linkState = kPresent;
    setLinkLabel(texts::kOffLine);
    hideStatusDialog();
    raiseMessage(pick(texts::kDeviceDisconnected, m_language),
                 pick(texts::kConfirmCaption, m_language));
}

void Link::connectionFailed() {
    m_timers.transfer.stop();
    m_timers.connect.stop();
    m_model.sendSuppression = 0;
    setLinkLabel(texts::kOffLine);
    hideStatusDialog();
    raiseMessage(texts::kConnectionFailed.text, pick(texts::kConfirmCaption, m_language));
}

void Link::hideStatusDialog() {
    // Nothing is in progress any more: the progress dialog goes before the message comes.
    if (!m_dialog.visible) return;
    m_dialog.visible = false;
    m_host.statusDialogChanged(m_dialog);
}

}  // namespace vt
