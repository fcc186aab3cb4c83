#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Every text the program shows, by language key, with its English text. Windows take their texts
// from here through TLanguageTable::Translate(LanguageKey("sFile")), so each key and its English
// text are written once, in this table, and a mistyped key does not compile.

struct TLanguageKey {
    std::string_view Key;  // "s" + caption words, or "msg" + message name; case-sensitive
    std::string_view Text; // the English text; line breaks are CR LF
};

inline constexpr std::size_t kLanguageKeyCount = 310;

// All keys, in alphabetical order regardless of case, each once.
// clang-format off
inline constexpr std::array<TLanguageKey, kLanguageKeyCount> kLanguageCatalogue{{
    {"msgAdd10", "Add 10 frames to end of Exposure Sheet"},
    {"msgBlackAndWhite", "Save image as black and white"},
    {"msgCapFileExists", "%s already exists in the Layer directory. Do you wish to overwrite the file?"},
    {"msgClickToRender", "Click to Render Preview."},
    {"msgEnterValue", "Please enter value for"},
    {"msgErrBadPath",
     "Capture cannot be completed. Path for the selected Layer does not exist. Edit Layer "
     "Properties to select a valid directory."},
    {"msgErrCamSettings", "Select a Camera first."},
    {"msgErrCaptureLayer", "Xsheet must have at least 1 layer to Capture. Add a Layer."},
    {"msgErrCelsLeftOut", "These cels of %s could not be placed on the sheet and were left out:"},
    {"msgErrDirCreate", "Could not create directory. Please set Storage path to a valid directory."},
    {"msgErrFileOpen", "Unable to open .xps file."},
    {"msgErrFrameRate", "%s is not a frame rate from 1 to 120."},
    {"msgErrImageEditor",
     "An image editor has not been selected. Select an Image Editor in Settings > Preferences."},
    {"msgErrImageNotFound", "%s not found in %s folder."},
    {"msgErrLauncherFieldCode",
     "The launcher %s cannot open drawings safely: its Exec line must give the file's field code "
     "as an argument of its own, never inside quotes or other text, and never as a shell's command."},
    {"msgErrMaxFrame", "The Xsheet has a maximum of 1637 frames."},
    {"msgErrMovieNotSaved", "The movie could not be saved: %s"},
    {"msgErrNoCelDrawing", "There is no drawing at frame %s of the layer %s."},
    {"msgErrNotAPicture", "%s is not a PNG, JPEG or BMP picture."},
    {"msgErrNotASheet", "This is not an exposure sheet."},
    {"msgErrNoVisibleLayerWImages", "There are no visible layers with images."},
    {"msgErrOutputIsInput", "%s is the sheet, its sound file or one of its drawings and is not written over. Choose another file."},
    {"msgErrProgramLocation", "Program location is not valid."},
    {"msgErrQuoteInName", "A name cannot contain \": the exposure sheet cannot store it."},
    {"msgErrReadLayers", "Unable to read layers."},
    {"msgErrReadSettings", "Unable to read settings."},
    {"msgErrScannerSilent", "The scanner did not answer within %s seconds: the scan was stopped."},
    {"msgErrScannerStopped", "The scanner's driver stopped unexpectedly: the scan was stopped."},
    {"msgErrXsheetEmpty", "Exposure Sheet is empty."},
    {"msgExportAvi", "Export Exposure Sheet as an Avi movie"},
    {"msgFileExists", "%s \r\n\r\nalready exists. Do you wish to overwrite the file?"},
    {"msgFoldersExist",
     "Folder(s) %s already exist. Use \"Edit Layer Properties\" if you wish to create 'new' "
     "folders to use."},
    {"msgFrameAveraging", "Sample multiple images to reduce noise and image fluctuation"},
    {"msgImportInstruct",
     "Images either can be imported into the currently selected layer or into an automatically "
     "created new layer. If imported to a new layer the layer path will automatically be set to "
     "the path of the first image.\r\n"
     "\r\n"
     "  1. Select the folder containing the\r\n"
     "      images.\r\n"
     "  2. Select the images you wish to\r\n"
     "      import.\r\n"
     "  3. Add them to the import list by\r\n"
     "      clicking \"Add Files\".\r\n"
     "  4. Enter the number of frames to\r\n"
     "      hold the images.\r\n"
     "  5. Click \"Import\".\r\n"
     "\r\n"
     "If the images are not located in the selected layer's folder you will be given the choice "
     "of creating copies of the files or shortcuts linking to their current location."},
    {"msgImportLeftOut", "Part of the import passes frame 1637 and was left out:"},
    {"msgImportSelLayer", "Import to Selected Layer"},
    {"msgImportWarn",
     "Warning:\r\n"
     "Some of the files in the import list do not currently reside in the selected Layer's "
     "directory. Press 'Copy' to copy the files into the Layer's directory, 'Link' to link to "
     "the files without copying or 'Cancel'"},
    {"msgLayerPath", "%s Path: %s"},
    {"msgLayerProp", "Set Properties for Layer"},
    {"msgLeftOutCel", "%s, layer %s, frame %s: %s"},
    {"msgLogCompressing", "Compressing..."},
    {"msgLogMovieSize", "Movie size: %s x %s"},
    {"msgLogSettingLeftOut", "Left out the stored setting %s of %s: the encoder takes no such value."},

    {"msgMovieInstruct",
     "To export the movie:\r\n"
     "  1. Select a location to save to.\r\n"
     "  2. Enter a file name.\r\n"
     "  3. Select a movie size.\r\n"
     "  4. Select a compressor or\r\n"
     "      'none' for uncompressed.\r\n"
     "  5. Save Movie.\r\n"
     "\r\n"
     "The compressor lists should show all valid compression codecs installed on the computer."},
    {"msgMovieSaved", "The movie is saved as %s."},
    {"msgMustBuildPreview", "You must first Build the Preview."},
    {"msgNew", "Create new Exposure Sheet"},
    {"msgNewWithFoldersInst",
     "Creating with Folders is an easy way to quickly set up a project.\r\n"
     "\r\n"
     "To create a New Project:\r\n"
     "  1. Enter a project name.\r\n"
     "  2. Select a framerate(FPS).\r\n"
     "  3. Select a location in which to\r\n"
     "      create the project.\r\n"
     "  4. Select OK.\r\n"
     "\r\n"
     "Celwright will create a new X-Sheet with two layers, each with a new folder located in the"
     " selected location."},
    {"msgNoMouthChart", "This layer has no mouth chart. Pick its drawings in Edit Layer Properties."},
    {"msgNoMouthDrawing", "No drawing in the mouth chart for:"},
    {"msgNonSquareToSquare", "Resize to adjust for non-square pixels (DV only)"},
    {"msgNotASoundFile", "\"%s\" is not a sound file that can be read."},
    {"msgOpen", "Open existing Exposure Sheet"},
    {"msgOpenElsewhere", "%s is open in another Celwright window. Open it read-only (a save then asks for a new name), or open it anyway?"},
    {"msgPhonemesLeftOut", "Left out, past frame 1637:"},
    {"msgPreview", "Preview movie (F7)"},
    {"msgProfileMgrInstruct",
     "Profiles store separate preference settings to help manage users or projects."},
    {"msgRecoverSheet", "Celwright stopped before the changes to %s were saved. The sheet as it was at %s can be recovered."},
    {"msgRecoveryFailed", "Unsaved changes cannot be kept for recovery: %s"},
    {"msgRedo", "Redo Exposure Sheet change"},
    {"msgRenderingPreview", "Rendering Preview."},
    {"msgSave", "Save changes to file"},
    {"msgSaveChanges", "Do you wish to save changes to %s before closing?"},
    {"msgSelectCamera", "Select Camera."},
    {"msgSoundShortened", "The sound \"%s\" is longer than a sheet can hold: only its first %s seconds are used."},
    {"msgTimeLapseOf", "%s of %s taken"},
    {"msgTimeLapseTaken", "%s taken"},
    {"msgTimesheetLeftOut", "These cels have no number at the end of their names and were left out of %s:"},
    {"msgUndo", "Undo last Exposure Sheet change (Ctrl+Z)"},
    {"msgUpsideDown", "Rotate image upside-down after capture"},
    {"msgVideoCapture", "Open Video Capture window (F6)"},
    {"s12", "12"},
    {"s15", "15"},
    {"s24", "24"},
    {"s25", "25"},
    {"s30", "30"},
    {"s90clockwise", "90 clockwise"},
    {"s90counterclockwise", "90 counter-clockwise"},
    {"sAbort", "Abort"},
    {"sAbout", "About"},
    {"sAboutDots", "About..."},
    {"sActionSafeFrame", "Action-Safe Frame"},
    {"sAdd10Frames", "Add 10 Frames"},
    {"sAddClassicMouths", "Add AI E O U etc L WQ MBP FV rest"},
    {"sAddFiles", "Add Files"},
    {"sAddLayer", "Add Layer"},
    {"sAddProfile", "Add Profile"},
    {"sAddShapeMouths", "Add A to H and X"},
    {"sAdjustVolume", "Adjust Volume"},
    {"sAlert", "Alert"},
    {"sAllVoices", "All voices"},
    {"sApply", "Apply"},
    {"sApplyLipSync", "Apply Lip-sync"},
    {"sAspectMask", "Aspect Mask"},
    {"sAudio", "Audio"},
    {"sAudioCompressor", "Audio Compressor"},
    {"sAudioFiles", "Audio Files"},
    {"sAutoRender", "Auto Render"},
    {"sBlackAndWhite", "Black and White"},
    {"sBlend", "Blend"},
    {"sBMP", "Bmp"},
    {"sCameras", "Cameras"},
    {"sCancel", "Cancel"},
    {"sCancelled", "Cancelled"},
    {"sCapture", "Capture"},
    {"sCaptureColor", "Capture Color"},
    {"sCaptureMode", "Capture Mode"},
    {"sCelwrightHelp", "Celwright Help"},
    {"sCentreCross", "Center Cross"},
    {"sChange", "Change"},
    {"sClearAll", "Clear All"},
    {"sClearAudio", "Clear Audio"},
    {"sClearPhonemes", "Clear Phonemes"},
    {"sClose", "Close"},
    {"sColor", "Color"},
    {"sColorMode", "Color Mode"},
    {"sColumns", "Columns"},
    {"sComposite", "Composite"},
    {"sConfirm", "Confirm"},
    {"sCopy", "Copy"},
    {"sCreateIn", "Create in"},
    {"sCurrentProfiles", "Current Profiles"},
    {"sCut", "Cut"},
    {"sDarken", "Darken"},
    {"sDefault", "- Default -"},
    {"sDefaultStorageFolder", "Default Storage Folder"},
    {"sDelete", "Delete"},
    {"sDeleteFrames", "Delete Frames"},
    {"sDeleteLayer", "Delete Layer"},
    {"sDeleteProfile", "Delete Profile"},
    {"sDialogueFiles", "Dialogue files"},
    {"sDifference", "Difference"},
    {"sDiscard", "Discard"},
    {"sDrawing", "Drawing"},
    {"sE", "English"},
    {"sEdit", "Edit"},
    {"sEditImage", "Edit Image"},
    {"sEditLayerPropertiesDots", "Edit Layer Properties..."},
    {"sEditorProperties", "Editor Properties"},
    {"sEditors", "Editors"},
    {"sEvery", "Every"},
    {"sExit", "Exit"},
    {"sExport", "Export"},
    {"sExportAviDots", "Export Avi..."},
    {"sExportMovie", "Export Movie"},
    {"sExposureSheet", "Exposure Sheet"},
    {"sFile", "File"},
    {"sFileName", "File Name"},
    {"sFileType", "File Type"},
    {"sFitReferencePicture", "Fit Reference Picture"},
    {"sFlipLastFrame", "Flip Last Frame"},
    {"sFolders", "Folders"},
    {"sFPS", "FPS"},
    {"sFps", "FPS"},
    {"sFrame", "Frame"},
    {"sFrameOrientation", "Frame Orientation"},
    {"sFrames", "Frames"},
    {"sFramesBack", "Frames back"},
    {"sFrom", "From"},
    {"sGeneral", "General"},
    {"sGrid", "Grid"},
    {"sGridSettings", "Grid Settings"},
    {"sGridSettingsDots", "Grid Settings..."},
    {"sHelp", "Help"},
    {"sHideAudio", "Hide Audio"},
    {"sHold", "Hold"},
    {"sHoldBelowOne", "hold below 1 frame"},
    {"sHoldCut", "held %s frames instead of %s"},
    {"sImageEditor", "Image Editor"},
    {"sImageFolder", "Image Folder"},
    {"sImageFormat", "Image Format"},
    {"sImageHold", "Image Hold"},
    {"sImagesDots", "Images..."},
    {"sImageSettings", "Image Settings"},
    {"sImageSize", "Image Size"},
    {"sImageViewer", "Image Viewer"},
    {"sImport", "Import"},
    {"sImportImage", "Import Image"},
    {"sImportList", "Import List"},
    {"sImportPhonemesDots", "Import Phonemes…"},
    {"sImportToNewLayer", "Import to New Layer"},
    {"sInsertFrame", "Insert Frame"},
    {"sJPEG", "Jpeg"},
    {"sLandscape", "Landscape"},
    {"sLanguages", "Languages"},
    {"sLater", "Later"},
    {"sLayer", "Layer"},
    {"sLayerColor", "Layer Color"},
    {"sLayerPath", "Layer Path"},
    {"sLayerProperties", "Layer Properties"},
    {"sLayers", "Layers"},
    {"sLicense", "License"},
    {"sLink", "Link"},
    {"sLoad", "Load"},
    {"sLoadSettings", "Load Settings"},
    {"sLocation", "Location"},
    {"sManageProfiles", "Manage Profiles"},
    {"sMode", "Mode"},
    {"sMouthChart", "Mouth chart"},
    {"sMovie", "Movie"},
    {"sMovieSize", "Movie Size"},
    {"sMultiply", "Multiply"},
    {"sMute", "Mute"},
    {"sName", "Name"},
    {"sNamesNoDrawing", "names no drawing"},
    {"sNewFolder", "New Folder"},
    {"sNewProject", "New Project"},
    {"sNewXPS", "New Xps"},
    {"sNewXPSWithFoldersDots", "New XPS with folders..."},
    {"sNo", "No"},
    {"sNoDrawingNumber", "no number at the end of its name"},
    {"sNoFirstFrame", "no first frame"},
    {"sNone", "None"},
    {"sNumber", "Number"},
    {"sNumbering", "Numbering"},
    {"sOK", "OK"},
    {"sOk", "OK"},
    {"sOne", "One"},
    {"sOnionSkin", "Onion Skin"},
    {"sOpacity", "Opacity"},
    {"sOpenAnyway", "Open Anyway"},
    {"sOpenDots", "Open..."},
    {"sOpenRecent", "Open Recent"},
    {"sOpenReferencePictureDots", "Open Reference Picture..."},
    {"sOther", "Other"},
    {"sOtherDots", "Other..."},
    {"sOverWrite", "Overwrite"},
    {"sOverwrite", "Overwrite"},
    {"sPaste", "Paste"},
    {"sPastLastFrame", "passes frame 1637"},
    {"sPhoneme", "Phoneme"},
    {"sPictureFiles", "Picture Files"},
    {"sPlay", "Play"},
    {"sPlayFrames", "Play frames"},
    {"sPlayReverse", "Play Reverse"},
    {"sPlayWithLive", "Play with Live"},
    {"sPNG", "Png"},
    {"sPortrait", "Portrait"},
    {"sPreferences", "Preferences"},
    {"sPreferencesDots", "Preferences..."},
    {"sPreview", "Preview"},
    {"sPrint", "Print"},
    {"sProfile", "Profile"},
    {"sProfileManager", "Profile Manager"},
    {"sProfileName", "Profile Name"},
    {"sProfiles", "Profiles"},
    {"sProfileSettings", "Profile Settings"},
    {"sProgress", "Progress"},
    {"sProjectFps", "Project FPS"},
    {"sProjectName", "Project Name"},
    {"sPrompt", "Prompt"},
    {"sReadOnly", "Read-Only"},
    {"sReCapture", "Re-Capture"},
    {"sRecover", "Recover"},
    {"sRedo", "Redo"},
    {"sReferenceDifference", "Reference in Difference Mode"},
    {"sReferenceFromCel", "Reference from Current Cel"},
    {"sReferenceOpacity", "Reference Opacity"},
    {"sReferencePicture", "Reference Picture"},
    {"sRefreshPreview", "Refresh Preview"},
    {"sRemove", "Remove"},
    {"sRenameImage", "Rename Image"},
    {"sRenameProfile", "Re-name Profile"},
    {"sRenderColor", "Render Color"},
    {"sRenderPreview", "Render Preview"},
    {"sReset", "Reset"},
    {"sRotateImage", "Rotate Image"},
    {"sRows", "Rows"},
    {"sSave", "Save"},
    {"sSaveAsDots", "Save As..."},
    {"sSaveDots", "Save..."},
    {"sSaveIn", "Save in"},
    {"sSaveMovie", "Save Movie"},
    {"sSaveSettings", "Save Settings"},
    {"sScan", "Scan"},
    {"sScanner", "Scanner"},
    {"sScanSettings", "Scan Settings"},
    {"sSelect", "Select"},
    {"sSequential", "Sequential"},
    {"sSettings", "Settings"},
    {"sSettingsDots", "Settings..."},
    {"sShowAudio", "Show Audio"},
    {"sShowFile", "Show File"},
    {"sSize", "Size"},
    {"sSort", "Sort"},
    {"sSoundLevel", "Level"},
    {"sStandard", "Standard"},
    {"sStart", "Start"},
    {"sStop", "Stop"},
    {"sStopMotion", "Stop Motion"},
    {"sStopMotionCapture", "StopMotion Capture"},
    {"sTempFileFolder", "Temp File Folder"},
    {"sThree", "Three"},
    {"sTimeLapse", "Time-lapse"},
    {"sTimesheetDots", "Timesheet..."},
    {"sTitleSafeFrame", "Title-Safe Frame"},
    {"sTo", "To"},
    {"sTools", "Tools"},
    {"sTwo", "Two"},
    {"sUndo", "Undo"},
    {"sUndoLevels", "Undo levels"},
    {"sUntilStopped", "until stopped"},
    {"sUntitled", "Untitled"},
    {"sVideo", "Video"},
    {"sVideoCompressor", "Video Compressor"},
    {"sVideoSettings", "Video Settings"},
    {"sView", "View"},
    {"sVoice", "Voice"},
    {"sVolume", "Volume"},
    {"sYes", "Yes"},
}};
// clang-format on

// The catalogue entry of a key, looked up while compiling: a key that is not in the catalogue is a
// compile error.
consteval TLanguageKey LanguageKey(std::string_view key) {
    for (const TLanguageKey& entry : kLanguageCatalogue) {
        if (entry.Key == key)
            return entry;
    }
    throw "not a language key";
}

// The catalogue entry of a key; nullptr when the key is not in the catalogue.
const TLanguageKey* FindLanguageKey(std::string_view key);

// The catalogue as a language file for translators: a comment, then one line per key: the key, a
// tab and the English text, with line breaks written as "(cr/lf)". Lines end with LF.
std::string LanguageTemplateText();
