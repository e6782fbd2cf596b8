// The 160-byte header at the start of every slot in the programmer's
// dataflash: the one place that knows its layout. Fields are named as the
// slot format names them; numbers are little-endian except ProductionCount
// (big-endian). The directory reader, the header builders, the slot image
// assembly, the slot list and the slot details all go through here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmar::slot {

struct HeaderField {
  std::uint8_t offset;
  std::uint8_t size;
};

namespace slot_header {

constexpr std::size_t kSize = 160;

constexpr HeaderField NextHeaderPage{0, 2};
constexpr HeaderField InUseMarker{2, 1};
constexpr HeaderField PageCount{3, 2};
constexpr HeaderField SlotName{6, 32};
constexpr HeaderField CodeLength{38, 3};
constexpr HeaderField DataLength{41, 2};
constexpr HeaderField DeviceId{43, 2};
constexpr HeaderField OptionFlagsA{45, 1};
constexpr HeaderField OptionFlagsB{46, 1};
constexpr HeaderField OptionFlagsC{47, 1};
constexpr HeaderField AuxDataStart{48, 3};
constexpr HeaderField ConfigBytes{56, 14};
constexpr HeaderField DeviceParams{70, 10};
constexpr HeaderField SupplyFlag{81, 1};
constexpr HeaderField LimitFlags{84, 1};
constexpr HeaderField ErrorRepeat{86, 1};
constexpr HeaderField DeviceCodeSize{87, 3};
constexpr HeaderField SlotDataLength{90, 3};
constexpr HeaderField OptionFlagsD{94, 1};
constexpr HeaderField SourceFileName{95, 20};
constexpr HeaderField DeviceName{116, 15};
constexpr HeaderField CodeChecksum{142, 1};
constexpr HeaderField RowHalf{143, 1};
constexpr HeaderField RowCount{144, 2};
constexpr HeaderField ExtraConfigCount{147, 1};
constexpr HeaderField ExtraConfig{148, 8};
constexpr HeaderField HeaderChecksum{157, 1};
constexpr HeaderField ProductionCount{158, 2};  // big-endian

// The bytes HeaderChecksum covers: 0 to 156.
constexpr std::size_t kChecksummed = 157;
// The name of an emptied slot.
constexpr std::string_view kEmptyName = "Empty";

}  // namespace slot_header

using HeaderBytes = std::array<std::uint8_t, slot_header::kSize>;

// Little-endian number of up to four bytes.
std::uint32_t GetField(const std::uint8_t* header, HeaderField f);
// Stores the low `f.size` bytes of `value`, little-endian.
void PutField(std::uint8_t* header, HeaderField f, std::uint32_t value);
// The field's bytes as characters, exactly as stored.
std::string GetText(const std::uint8_t* header, HeaderField f);
// Stores `text` cut to the field's size or filled with spaces.
void PutText(std::uint8_t* header, HeaderField f, std::string_view text);

std::uint16_t GetProductionCount(const std::uint8_t* header);
void PutProductionCount(std::uint8_t* header, std::uint16_t count);

// Two's complement of the 8-bit sum of `n` bytes.
std::uint8_t NegatedSum(const std::uint8_t* data, std::size_t n);
// The HeaderChecksum that bytes 0 to 156 call for.
std::uint8_t ComputeHeaderChecksum(const std::uint8_t* header);
bool HeaderChecksumOk(const std::uint8_t* header);
// Sets HeaderChecksum last, after every other field.
void SealHeader(std::uint8_t* header);

// "007 description" cut or filled with spaces to the SlotName size.
std::string MakeSlotName(int slotNumber, std::string_view description);
// The header Delete writes: the old link and page count, "Empty" and 0xFF.
HeaderBytes EmptyHeader(std::uint16_t nextHeaderPage, std::uint16_t pageCount);

}  // namespace velmar::slot
