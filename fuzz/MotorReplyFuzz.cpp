// What a motor sends back, from any bytes: the Ethernet discovery reply, the factory block of its
// data memory, an uploaded program compared with an image, the uploaded text re-spaced, and the
// numbers and addresses read from replies. The first byte picks the reader.
#include "core/detect/NetDetection.h"
#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"
#include "core/shared/SharedFunctions.h"
#include "core/transfer/ProgramImage.h"
#include "fuzz/FuzzTarget.h"

#include <array>
#include <cstring>
#include <string>

VQX_FUZZ_TARGET(motor_replies, data, size)
{
    if (size == 0)
        return;
    const uint8_t which = data[0];
    ++data;
    --size;
    const std::string text(reinterpret_cast<const char*>(data), size);
    switch (which % 5) {
    case 0: {
        NetMotorRecord record;
        if (ParseDiscoveryReply(data, size, 0x7F000001u, record))
            VQX_FUZZ_CHECK(size >= 4);
        break;
    }
    case 1: {
        // The block as it is read from the data memory: at most kMaxStoreLength bytes.
        uint8_t block[factory::kMaxStoreLength] = {};
        std::memcpy(block, data, std::min(size, sizeof block));
        CMotor motor;
        motor.ParseFactoryData(block, which >= 128 ? 0 : static_cast<int>(size));
        VQX_FUZZ_CHECK(motor.ProgName.find_first_of("/\\") == std::string::npos);
        VQX_FUZZ_CHECK(motor.CalProgName.find_first_of("/\\") == std::string::npos);
        break;
    }
    case 2: {
        // An upload and an image, split at the first NUL.
        const size_t cut = text.find('\0');
        const std::string uploaded = text.substr(0, cut);
        const std::string image = cut == std::string::npos ? std::string() : text.substr(cut + 1);
        (void)transfer::UploadMatchesImage(uploaded, image);
        (void)transfer::DecodeCodedRecords(image);
        (void)transfer::HeaderChecksum(image);
        break;
    }
    case 3: {
        transfer::CRunOnKeywordSpacer spacer;
        std::string out;
        for (char c : text)
            out += spacer.Next(c);
        VQX_FUZZ_CHECK(out.size() <= 2 * text.size() + 1);
        break;
    }
    default: {
        (void)ParseSerialNumber(text);
        (void)ParseDouble(text);
        std::array<uint8_t, 4> ip{};
        (void)ParseIPAddress(text, &ip);
        break;
    }
    }
}
