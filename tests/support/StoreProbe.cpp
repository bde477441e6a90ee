// Acts on a library from a process of its own, for the tests of what two programs do at once.
//   tavro-store-probe open <database>   open (creating and migrating); prints "ok"
//   tavro-store-probe post <database>   open and post the store-changed notification
//   tavro-store-probe comments <database> <n>   add a capture and n comments on it
//   tavro-store-probe keychain-read <database> <account>   print the stored text or "none",
//       asking the keyring for at most half a second
//   tavro-store-probe keychain-write-read <database> <account> <value>   store the value, then
//       print what reads back or "none", each call bounded by half a second
//   tavro-store-probe claim-resolve <database> <id> <rounds> <name>
//       each round: claim as <name>, append "<name><round>;" to the note, resolve with the
//       reference "<name><round>"
//   tavro-store-probe status-priority <database> <id> <rounds> <name>
//       each round: set the next status as <name>, flip the priority and append
//       "<name><round>;" to the note
//   tavro-store-probe append-images <database> <capture> <n>         append n screenshots
//   tavro-store-probe delete-first-images <database> <capture> <n>   delete the first, n times
#include "model/Uuid.h"
#include "platform/Keychain.h"
#include "store/CaptureStore.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

using namespace tavro;

namespace {

// Read, change and rewrite in one transaction, as any caller of update() that edits a record
// it read must, so that the other program's writes in between are not overwritten.
template <class Change> void edit(CaptureStore& store, const std::string& id, Change change) {
    store.db().transaction([&] {
        auto capture = store.capture(id);
        if (!capture)
            throw std::runtime_error("no capture " + id);
        change(*capture);
        store.update(*capture);
    });
}

// A breath between steps, as any real program leaves. SQLite's busy handler retries a waiting
// writer only every 100 ms after a while, so two writers in tight loops could starve each other
// for the whole busy timeout.
void pause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void claimResolve(CaptureStore& store, const std::string& id, int rounds, const std::string& name) {
    for (int round = 0; round < rounds; ++round) {
        const std::string token = name + std::to_string(round);
        if (!store.claim(id, name))
            throw std::runtime_error("claim found no capture");
        pause();
        edit(store, id, [&](Capture& c) { c.note += token + ";"; });
        pause();
        if (!store.resolve(id, token, name))
            throw std::runtime_error("resolve found no capture");
        pause();
    }
}

void statusPriority(CaptureStore& store, const std::string& id, int rounds,
                    const std::string& name) {
    constexpr std::array statuses{CaptureStatus::open, CaptureStatus::inProgress,
                                  CaptureStatus::archived, CaptureStatus::resolved};
    for (int round = 0; round < rounds; ++round) {
        const std::string token = name + std::to_string(round);
        if (!store.setStatus(id, statuses[size_t(round) % statuses.size()], name))
            throw std::runtime_error("setStatus found no capture");
        pause();
        edit(store, id, [&](Capture& c) {
            c.priority =
                c.priority == CapturePriority::high ? CapturePriority::low : CapturePriority::high;
            c.note += token + ";";
        });
        pause();
    }
}

void appendImages(CaptureStore& store, const std::string& captureID, int count) {
    for (int i = 0; i < count; ++i) {
        CaptureImage image;
        image.id = makeUUID();
        image.captureID = captureID;
        image.position = -1;
        image.imagePath = "probe/" + image.id + ".png";
        image.createdAt = now();
        store.addImage(image);
        // Paced, so that a second program's work falls between the appends.
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
}

// Waits for a screenshot to delete whenever the capture has none.
void deleteFirstImages(CaptureStore& store, const std::string& captureID, int count) {
    for (int deleted = 0; deleted < count;) {
        auto list = store.images(captureID);
        if (!list.empty() && store.deleteImage(list.front().id))
            ++deleted;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void addComments(CaptureStore& store, int count) {
    Capture capture{
        .id = makeUUID(), .createdAt = now(), .updatedAt = now(), .captureMode = CaptureMode::text};
    store.insert(capture);
    for (int i = 0; i < count; ++i)
        store.addComment(Comment{.id = makeUUID(),
                                 .captureID = capture.id,
                                 .author = "probe",
                                 .body = "comment " + std::to_string(i),
                                 .createdAt = now(),
                                 .kind = "comment"});
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tavro-store-probe <command> <database> [arguments]\n");
        return 2;
    }
    std::string command = argv[1];
    try {
        CaptureStore store(argv[2], defaultStoreChangeNotifier());
        if (command == "open") {
            std::printf("ok\n");
        } else if (command == "post") {
            store.postChange();
            std::printf("posted\n");
        } else if (command == "keychain-read" && argc == 4) {
            auto value = Keychain::read(argv[3], std::chrono::milliseconds(500));
            std::printf("%s\n", value ? value->c_str() : "none");
        } else if (command == "keychain-write-read" && argc == 5) {
            Keychain::write(argv[4], argv[3], std::chrono::milliseconds(500));
            auto value = Keychain::read(argv[3], std::chrono::milliseconds(500));
            std::printf("%s\n", value ? value->c_str() : "none");
        } else if (command == "comments" && argc == 4) {
            addComments(store, std::stoi(argv[3]));
            std::printf("done\n");
        } else if ((command == "claim-resolve" || command == "status-priority") && argc == 6) {
            const std::string id = argv[3];
            const int rounds = std::stoi(argv[4]);
            const std::string name = argv[5];
            if (command == "claim-resolve")
                claimResolve(store, id, rounds, name);
            else
                statusPriority(store, id, rounds, name);
            std::printf("done\n");
        } else if (command == "append-images" && argc == 5) {
            appendImages(store, argv[3], std::stoi(argv[4]));
        } else if (command == "delete-first-images" && argc == 5) {
            deleteFirstImages(store, argv[3], std::stoi(argv[4]));
        } else {
            std::fprintf(stderr, "unknown command %s\n", command.c_str());
            return 2;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
