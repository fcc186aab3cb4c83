#include "platform/GPhotoPort.h"

#include <cstdlib>
#include <gphoto2/gphoto2-abilities-list.h>
#include <gphoto2/gphoto2-port-info-list.h>
#include <gphoto2/gphoto2-result.h>

namespace {

// The drivers' model list and the ports, loaded once: loading reads every camera driver.
struct TCatalogue {
    CameraAbilitiesList* Abilities = nullptr;
    GPPortInfoList* Ports = nullptr;
    int Result = GP_OK;
};

const TCatalogue& Catalogue() {
    static TCatalogue catalogue = [] {
        TCatalogue loaded;
        GPContext* context = gp_context_new();
        if ((loaded.Result = gp_abilities_list_new(&loaded.Abilities)) >= GP_OK &&
            (loaded.Result = gp_abilities_list_load(loaded.Abilities, context)) >= GP_OK &&
            (loaded.Result = gp_port_info_list_new(&loaded.Ports)) >= GP_OK)
            loaded.Result = gp_port_info_list_load(loaded.Ports);
        gp_context_unref(context);
        return loaded;
    }();
    return catalogue;
}

class TLibrarySession : public TGPhotoSession {
public:
    TLibrarySession() : Context(gp_context_new()) {}
    ~TLibrarySession() override {
        if (Handle) {
            gp_camera_exit(Handle, Context);
            // Not gp_camera_unref: a camera whose init failed still counts as in use and would be kept.
            gp_camera_free(Handle);
        }
        gp_context_unref(Context);
    }

    int Init(const std::string& model, const std::string& port) {
        const TCatalogue& catalogue = Catalogue();
        if (catalogue.Result < GP_OK)
            return catalogue.Result;
        int result = gp_camera_new(&Handle);
        if (result < GP_OK)
            return result;
        const int model_index = gp_abilities_list_lookup_model(catalogue.Abilities, model.c_str());
        if (model_index < GP_OK)
            return model_index;
        CameraAbilities abilities;
        if ((result = gp_abilities_list_get_abilities(catalogue.Abilities, model_index, &abilities)) <
                GP_OK ||
            (result = gp_camera_set_abilities(Handle, abilities)) < GP_OK)
            return result;
        const int port_index = gp_port_info_list_lookup_path(catalogue.Ports, port.c_str());
        if (port_index < GP_OK)
            return port_index;
        GPPortInfo info;
        if ((result = gp_port_info_list_get_info(catalogue.Ports, port_index, &info)) < GP_OK ||
            (result = gp_camera_set_port_info(Handle, info)) < GP_OK)
            return result;
        return gp_camera_init(Handle, Context);
    }

    int CapturePreview(CameraFile* file) override { return gp_camera_capture_preview(Handle, file, Context); }

    int Capture(CameraFilePath* path) override {
        return gp_camera_capture(Handle, GP_CAPTURE_IMAGE, path, Context);
    }

    int WaitForEvent(int timeoutMs, CameraEventType* type, CameraFilePath* path) override {
        void* data = nullptr;
        const int result = gp_camera_wait_for_event(Handle, timeoutMs, type, &data, Context);
        if (result >= GP_OK && data &&
            (*type == GP_EVENT_FILE_ADDED || *type == GP_EVENT_FILE_CHANGED ||
             *type == GP_EVENT_FOLDER_ADDED))
            *path = *static_cast<CameraFilePath*>(data);
        std::free(data);
        return result;
    }

    int FileGet(const CameraFilePath& path, CameraFile* file) override {
        return gp_camera_file_get(Handle, path.folder, path.name, GP_FILE_TYPE_NORMAL, file, Context);
    }

    int GetConfig(CameraWidget** window) override { return gp_camera_get_config(Handle, window, Context); }
    int SetConfig(CameraWidget* window) override { return gp_camera_set_config(Handle, window, Context); }

private:
    GPContext* Context;
    Camera* Handle = nullptr;
};

} // namespace

TGPhotoLibrary::TGPhotoLibrary() : Context(gp_context_new()) {}

TGPhotoLibrary::~TGPhotoLibrary() {
    gp_context_unref(Context);
}

int TGPhotoLibrary::Autodetect(CameraList* list) {
    return gp_camera_autodetect(list, Context);
}

int TGPhotoLibrary::Open(const std::string& model, const std::string& port,
                         std::unique_ptr<TGPhotoSession>& session) {
    auto opened = std::make_unique<TLibrarySession>();
    const int result = opened->Init(model, port);
    if (result >= GP_OK)
        session = std::move(opened);
    return result;
}

int TGPhotoLibrary::KnownModels() {
    const TCatalogue& catalogue = Catalogue();
    return catalogue.Result < GP_OK ? catalogue.Result : gp_abilities_list_count(catalogue.Abilities);
}

std::shared_ptr<TGPhotoPort>& GPhotoPort() {
    static std::shared_ptr<TGPhotoPort> port = std::make_shared<TGPhotoLibrary>();
    return port;
}
