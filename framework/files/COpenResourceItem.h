// One resource read like a file: every read starts at the resource's first
// byte; writing and positioning do nothing.
#pragma once

#include "framework/media/CMedia.h"

#include <memory>

namespace NSWayfarer
{

class COpenResourceFile;
class CResourceItemSpec;

class COpenResourceItem : public CMedia
{
public:
    explicit COpenResourceItem(const CResourceItemSpec* spec);
    ~COpenResourceItem() override;

    void Read(TMediaPos len, void* dst) override;
    void Write(TMediaPos, const void*) override {}
    TMediaPos GetPos() const override { return 0; }
    void SetPos(TMediaPos) override {}
    TMediaPos GetSize() const override;

private:
    char fType[5];
    short fID;
    std::unique_ptr<COpenResourceFile> fFile;
};

} // namespace NSWayfarer
