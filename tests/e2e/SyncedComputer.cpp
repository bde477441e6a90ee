#include "SyncedComputer.h"

#include "files/LibraryFiles.h"
#include "model/Image.h"
#include "model/Uuid.h"
#include "platform/Keychain.h"
#include "sync/ContentHash.h"
#include "sync/SecretStore.h"

#include <filesystem>
#include <stdexcept>

namespace tavro::test {

namespace {

// A picture unlike any other this process draws, so every file has a hash of its own.
Image picture(int seed) {
    auto image = Image::create({160, 100});
    if (!image)
        throw std::runtime_error("no image");
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            image->setPixel(x, y,
                            0xFF000000u | std::uint32_t((x * 7 + seed * 31) & 0xFF) << 16 |
                                std::uint32_t((y * 5 + seed * 17) & 0xFF) << 8 |
                                std::uint32_t(seed & 0xFF));
    return std::move(*image);
}

void write(LibraryFiles::Folder folder, const std::string& name,
           const std::optional<std::vector<std::uint8_t>>& bytes) {
    const auto file = LibraryFiles::locate(folder, name);
    if (!file || !bytes)
        throw std::runtime_error("cannot write " + name);
    TavroPaths::ensureParentDirectory(*file);
    if (auto error = LibraryFiles::writeAtomically(*file, *bytes))
        throw std::runtime_error(*error);
}

std::string hashOf(const std::optional<std::filesystem::path>& file) {
    if (!file || !std::filesystem::is_regular_file(*file))
        return "missing";
    return ContentHash::sha256(readFile(*file));
}

} // namespace

SyncedComputer::SyncedComputer(std::string driver)
    : driver_(std::move(driver)) {}

ProcessResult SyncedComputer::drive(const std::string& command) {
    ScopedEnv home{"TAVRO_HOME", root().string()};
    const std::string account(SecretStore::sessionAccount);
    if (token_)
        Keychain::write(*token_, account);
    else
        Keychain::remove(account);
    auto result = ProcessRunner::run({driver_, command});
    token_ = Keychain::read(account);
    Keychain::remove(account);
    return result;
}

void SyncedComputer::withStore(const std::function<void(CaptureStore&)>& work) {
    ScopedEnv home{"TAVRO_HOME", root().string()};
    CaptureStore store(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    work(store);
}

std::string SyncedComputer::capture(const std::string& note, const std::vector<Shot>& shots) {
    static int drawn = 0;
    Capture capture;
    capture.id = makeUUID();
    capture.createdAt = capture.updatedAt = now();
    capture.note = note;
    capture.appName = "Firefox";
    withStore([&](CaptureStore& store) {
        store.insert(capture);
        for (const auto& shot : shots) {
            const auto image = picture(++drawn);
            CaptureImage record;
            record.id = makeUUID();
            record.captureID = capture.id;
            record.position = -1;
            record.createdAt = now();
            record.imagePath = LibraryFiles::originalName(record.id, record.createdAt);
            write(LibraryFiles::Folder::captures, record.imagePath, image.encodePNG());
            if (shot.marked) {
                auto marked = picture(++drawn);
                record.annotatedPath = LibraryFiles::markedCopyName(record.imagePath);
                write(LibraryFiles::Folder::captures, *record.annotatedPath, marked.encodePNG());
            }
            const auto thumb = image.downscaled(64);
            record.thumbPath = LibraryFiles::thumbnailName(record.id, record.createdAt);
            write(LibraryFiles::Folder::thumbs, *record.thumbPath,
                  thumb ? thumb->encodeJPEG(0.82) : std::nullopt);
            record.width = image.width();
            record.height = image.height();
            record.bytes = std::int64_t(std::filesystem::file_size(*record.originalFilePath()));
            store.addImage(record);
        }
    });
    return capture.id;
}

std::string SyncedComputer::markUp(const std::string& captureID) {
    static int drawn = 1000;
    std::string hash;
    withStore([&](CaptureStore& store) {
        auto shots = store.images(captureID);
        if (shots.empty())
            throw std::runtime_error("no screenshot to mark up");
        auto shot = shots.front();
        const auto png = picture(++drawn).encodePNG();
        shot.annotatedPath = LibraryFiles::markedCopyName(shot.imagePath);
        write(LibraryFiles::Folder::captures, *shot.annotatedPath, png);
        shot.annotationJSON = R"({"shapes":[{"kind":"rect","n":)" + std::to_string(drawn) + "}]}";
        store.updateImage(shot);
        hash = ContentHash::sha256(*png);
    });
    return hash;
}

std::vector<std::string> SyncedComputer::capturesOnDisk() {
    std::vector<std::string> out;
    const auto folder = root() / "captures";
    if (!std::filesystem::exists(folder))
        return out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            out.push_back(hashOf(entry.path()));
    return out;
}

void SyncedComputer::unuploadableScreenshots(int count) {
    withStore([&](CaptureStore& store) {
        store.db().transaction([&] {
            for (int i = 0; i < count; ++i) {
                Capture capture;
                capture.id = makeUUID();
                capture.createdAt = capture.updatedAt = now() - 1000 + i * 0.001;
                capture.note = "Gone " + std::to_string(i);
                store.insert(capture);
                CaptureImage record;
                record.id = makeUUID();
                record.captureID = capture.id;
                record.position = -1;
                record.createdAt = capture.createdAt;
                record.imagePath = LibraryFiles::originalName(record.id, record.createdAt);
                record.width = 160;
                record.height = 100;
                store.addImage(record);
            }
        });
    });
}

std::map<std::string, SyncedComputer::Files> SyncedComputer::files(const std::string& captureID) {
    std::map<std::string, Files> out;
    withStore([&](CaptureStore& store) {
        for (const auto& image : store.images(captureID)) {
            Files files;
            files.original = hashOf(image.originalFilePath());
            if (image.annotatedPath)
                files.marked = hashOf(
                    LibraryFiles::locate(LibraryFiles::Folder::captures, *image.annotatedPath));
            if (image.thumbPath)
                files.thumb = hashOf(image.thumbFilePath());
            out[image.id] = files;
        }
    });
    return out;
}

} // namespace tavro::test
