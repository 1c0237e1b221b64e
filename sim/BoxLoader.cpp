// The boot loader: identification, image download and the start of the application firmware.
#include "BoxSimulator.h"

using namespace BoxProtocol;

void BoxSimulator::LoaderByte(quint8 byte)
{
    SilentAt(BoxFaults::Stage::Loader);
    // The loader knows three-byte requests '<' x '>' and ignores everything else.
    if (m_loaderSequence.isEmpty()) {
        if (byte == FrameStart)
            m_loaderSequence.append(char(byte));
        return;
    }
    if (m_loaderSequence.size() == 1) {
        m_loaderSequence.append(char(byte));
        return;
    }
    const quint8 request = quint8(m_loaderSequence[1]);
    m_loaderSequence.clear();
    if (byte != FrameEnd) {
        if (byte == FrameStart)
            m_loaderSequence.append(char(byte));
        return;
    }
    switch (request) {
    case LoaderIdentify:
        Reply(quint8(m_identity.firmwareVersion & 0xFF));
        Reply(quint8(m_identity.firmwareVersion >> 8));
        Reply(quint8(m_identity.bootVersion & 0xFF));
        Reply(quint8(m_identity.bootVersion >> 8));
        break;
    case LoaderLoad:
        Reply(LoaderReady);
        m_download.clear();
        m_mode = Mode::Download;
        break;
    case LoaderRun:
        SilentAt(BoxFaults::Stage::Reset);
        Reply(Resync);
        m_mode = Mode::Application;
        m_state = State::Idle;
        m_escapePending = false;
        break;
    default: break;
    }
}

void BoxSimulator::DownloadByte(quint8 byte)
{
    m_download.append(char(byte));
    SilentAt(BoxFaults::Stage::Download, m_download.size());
    Reply(ImageByteAccepted);
    if (m_download.size() < ImageWords * 2)
        return;
    // A complete image: take its version and letter when its marker and check sum hold.
    m_lastImage = m_download;
    quint16 sum = 0;
    auto word = [this](int i) { return quint16(quint8(m_lastImage[2 * i]) | quint8(m_lastImage[2 * i + 1]) << 8); };
    for (int i = 0; i < ImageWords; ++i)
        sum = quint16(sum + word(i));
    if (word(0) == ImageMarker && sum == 0) {
        m_identity.firmwareVersion = word(1);
        m_identity.configLetter = char(word(2) & 0xFF);
    } else {
        m_identity.firmwareVersion = 0xFFFF;
        m_identity.configLetter = '?';
    }
    m_download.clear();
    m_mode = Mode::Loader;
}
