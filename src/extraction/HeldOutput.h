#pragma once

#include "HugePageBuffer.h"

#include <QIODevice>
#include <QString>

#include <functional>

// Passes what is written on to another device, or holds it back while the
// log's text is not yet known to be well-formed: of a log that proves
// malformed, nothing may come out but what an open that failed leaves.
//
// What is held stays in memory up to a limit, then goes on into an unnamed
// temporary file in `spillFolder` up to a second limit (where such a file
// can be had); before more would have to be held, the holder is asked to
// settle the matter, so memory and disk use stay flat.
class HeldOutput final : public QIODevice {
public:
    explicit HeldOutput(QIODevice& out, std::size_t limit = 16 * 1024 * 1024,
                        std::size_t spillLimit = 48 * 1024 * 1024, QString spillFolder = {});
    ~HeldOutput() override;

    // Holds from now on. `settle` is called when no more can be held: true
    // lets what is held go out, and what follows, false drops it and all
    // that follows up to Release or Drop.
    void Hold(std::function<bool()> settle);
    // Writes out what is held, and passes on from then; false when that fails.
    bool Release();
    // Forgets what is held, and passes on from then.
    void Drop();
    // Passes on to `out` from now on.
    void Retarget(QIODevice& out);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool Pass(const char* data, qint64 size);
    // Holds `n` more bytes in the temporary file; false when it cannot.
    bool Spill(const char* data, std::size_t n);
    // Writes out what the temporary file holds, through the memory held in.
    bool PassSpilled();
    void CloseSpill();

    QIODevice* out_;
    const std::size_t limit_;
    const std::size_t spillLimit_;
    const QString spillFolder_;
    std::function<bool()> settle_;
    HugePageBuffer held_; // had when first needed
    std::size_t used_ = 0;
    int spill_ = -1; // the temporary file, once memory is full
    std::size_t spilled_ = 0;
    bool holding_ = false;
    bool dropping_ = false;
    bool failed_ = false; // a write out failed
};
