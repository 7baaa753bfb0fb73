#pragma once
// Identifiers of the string table. Message and command numbers are the program's
// historical ones; form texts (4000 and up) are ours.

namespace ids {

// Frame, application
constexpr int AppTitle = 57344;          // application title, caption of plain message boxes
constexpr int FrameTitle = 129;
constexpr int ToolbarStandard = 124;
constexpr int ToolbarCustomize = 125;
constexpr int MenuEdit = 306;
constexpr int ProgressCaption = 314;
constexpr int StatusReady = 57345;
constexpr int IndicatorNum = 59138;

// Commands: prompt, a line feed, tooltip
constexpr int CmdConnect = 32774;
constexpr int CmdDisconnect = 32775;
constexpr int CmdRefresh = 32776;
constexpr int CmdLoadFile = 32780;
constexpr int CmdSaveFile = 32781;
constexpr int CmdImportMotorDb = 32784;
constexpr int CmdExportMotorDb = 32785;
constexpr int CmdExit = 57665;
constexpr int CmdAbout = 57664;
constexpr int CmdToggleStatusBar = 59393;

// Messages
constexpr int OpenPortFailed = 3001;          // "%1!d!" = port number
constexpr int MotorDbOpenFailed = 3009;
constexpr int MotorDbNoVersion = 3010;
constexpr int VersionDiffers = 3011;
constexpr int MotorDbDownloaded = 3012;
constexpr int TargetCreateFailed = 3013;
constexpr int MotorDbSaved = 3014;
constexpr int DescFileFailed = 3015;
constexpr int DescFileCaption = 3016;
constexpr int FactoryExportCaption = 3017;
constexpr int DpfSaveComplete = 3018;
constexpr int FactoryExportWarning = 3019;
constexpr int WrongDpf = 3020;
constexpr int DpfLoadComplete = 3021;
constexpr int DpfWriteFailed = 3022;          // our own: the file could not be written
constexpr int ParamNotCached = 3023;          // our own: "%1!d!" = address never read
constexpr int SetParamFailed = 3024;
constexpr int StopCurrentWarning = 3025;
constexpr int PulseFilterWarning = 3026;
constexpr int RetryReadParam = 3027;
constexpr int RetrySaveDrive = 3028;
constexpr int RetrySaveMotor = 3029;
constexpr int DriveParamsChanged = 3030;
constexpr int MotorParamsChanged = 3031;
constexpr int CommandTooLong = 3032;          // our own, result code -21
constexpr int AddressMismatch = 3033;         // our own, result code -22
constexpr int ExportReadSkipped = 3034;       // our own: "%1!d!" = addresses left out
constexpr int MotorDbWriteFailed = 3035;      // our own
constexpr int MotorDbBadByte = 3061;          // our own: "%1!d!" = line, "%2" = byte in hex
constexpr int MotorDbCommandTooLong = 3062;   // our own: "%1!d!" = line
constexpr int UserViewParamMissing = 3036;    // our own: "%1!d!" = address
constexpr int UserViewFieldMissing = 3038;    // our own: "%1" = address, "%2" = bit offset
constexpr int SetParamCaption = 3037;
constexpr int VersionPrefix = 3045;           // "Version : "
constexpr int NoEcho = 3047;
constexpr int PortFailure = 3046;
constexpr int NoResponse = 3048;
constexpr int ResponseTimeout = 3049;
constexpr int IncorrectEcho = 3050;
constexpr int UnknownResponse = 3051;
constexpr int ResponseTooLong = 3052;
constexpr int CommandFailed = 3053;

// Forms and menus (texts of the windows themselves)
constexpr int MenuDrive = 4001;
constexpr int MenuParameters = 4002;
constexpr int MenuView = 4003;
constexpr int MenuHelp = 4004;
constexpr int MenuConnect = 4005;
constexpr int MenuDisconnect = 4006;
constexpr int MenuRefresh = 4007;
constexpr int MenuExit = 4008;
constexpr int MenuLoadFile = 4009;
constexpr int MenuSaveFile = 4010;
constexpr int MenuToolbars = 4011;
constexpr int MenuStatusBar = 4012;
constexpr int MenuAbout = 4013;
constexpr int MenuImportMotorDb = 4014;
constexpr int MenuExportMotorDb = 4015;

constexpr int ConnectCaption = 4101;
constexpr int ConnectBoard = 4102;
constexpr int ConnectPortNo = 4103;
constexpr int ConnectOptions = 4104;
constexpr int ConnectBaudrate = 4105;
constexpr int ConnectButton = 4106;

constexpr int ViewTargetInfo = 4201;
constexpr int ViewVersionDesign = 4202;       // "Version :"
constexpr int ViewParameters = 4203;
constexpr int ViewRowLabel0 = 4210;           // twelve design-time row labels, 4210..4221

constexpr int ProgressCancel = 4301;
constexpr int ProgressPercentDesign = 4302;   // "0 %"

constexpr int AboutCaption = 4401;
constexpr int AboutProductDesign = 4402;
constexpr int AboutCopyrightDesign = 4403;
constexpr int AboutModelsLabel = 4404;
constexpr int AboutOk = 4405;
constexpr int AboutForEndUsers = 4406;        // "%s for EndUsers"
constexpr int AboutVersionLine = 4407;        // "Version %d.%d.%d.%d (rev.%s)"

constexpr int FilterMotorDb = 4501;           // "Motor DB File(*.txt)"
constexpr int FilterDpf = 4502;               // "Drive Parameter File(*.dpf)"
constexpr int FilterAll = 4503;               // "All Files(*.*)"

// Message box buttons
constexpr int ButtonOk = 4601;
constexpr int ButtonCancel = 4602;
constexpr int ButtonYes = 4603;
constexpr int ButtonNo = 4604;
constexpr int ButtonTryAgain = 4605;
constexpr int ButtonContinue = 4606;

// Toolbar customization
constexpr int CustomizeCaption = 4701;
constexpr int CustomizeButtons = 4702;        // "Toolbar buttons:"
constexpr int CustomizeReset = 4703;
constexpr int CustomizeClose = 4704;

// The port doctor: why a port cannot be opened and what to do (4800-4849)
constexpr int DoctorAvailable = 4800;
constexpr int DoctorNoPermission = 4801;
constexpr int DoctorBusy = 4802;
constexpr int DoctorBusyHeldBy = 4803;          // "%1" = holders, or DoctorThisProgram
constexpr int DoctorThisProgram = 4804;
constexpr int DoctorGone = 4805;
constexpr int DoctorCannotOpen = 4806;
constexpr int DoctorCannotOpenBecause = 4807;   // "%1" = the system's error text
constexpr int DoctorNoDevice = 4808;
constexpr int DoctorUsbSerial = 4809;           // "%1" = USB serial number
constexpr int DoctorAdviceJoinGroup = 4820;     // "%1" = group, "%2" = user
constexpr int DoctorAdviceGroupPending = 4821;  // "%1" = group
constexpr int DoctorAdviceGroupActive = 4822;   // "%1" = group, "%2" = device
constexpr int DoctorAdviceAskAdmin = 4823;      // "%1" = user, "%2" = device
constexpr int DoctorAdviceCloseHolder = 4824;   // "%1" = the holding process
constexpr int DoctorAdviceCloseHolders = 4825;  // "%1" = the holding processes
constexpr int DoctorAdviceHeldHere = 4826;
constexpr int DoctorAdviceBusyUnseen = 4827;
constexpr int DoctorAdviceGone = 4828;          // "%1" = ports file
constexpr int DoctorAdviceUnmapped = 4829;      // "%1" = COM number, "%2" = ports file
constexpr int DoctorAdviceFailed = 4830;

// What the view, the files and the parameter access say of values not read or refused
constexpr int RowNotRead = 5100;              // a row whose value could not be read from this drive
constexpr int DpfReadSkipped = 5101;          // "%1" = entries left out of a saved file
constexpr int DpfPartialLoad = 5102;          // "%1" = entries written, "%2" = entries in the file
constexpr int MotorDbPartialImport = 5103;    // "%1" = line reached, "%2" = lines in the file
constexpr int ParamNotDescribed = 5104;       // "%1" = parameter reference
constexpr int ParamReadOnly = 5105;           // "%1" = parameter reference
constexpr int ParamValueRefused = 5106;       // "%1" = value, "%2" = reference, "%3" = allowed values
constexpr int ParamRangeText = 5107;          // "%1" = lowest, "%2" = highest
constexpr int DpfFileUnreadable = 5108;       // "%1" = path

// Compare with File: a drive beside a drive parameter file (5200-5219)
constexpr int CmdCompareFile = 32786;         // command: prompt and tooltip
constexpr int MenuCompareFile = 5200;
constexpr int CompareCaption = 5201;
constexpr int CompareColumnParam = 5202;
constexpr int CompareColumnDrive = 5203;
constexpr int CompareColumnFile = 5204;
constexpr int CompareLoadDiffering = 5205;
constexpr int CompareClose = 5206;
constexpr int CompareSummaryDiffer = 5207;    // "%1" = entries that differ, "%2" = entries in the file
constexpr int CompareSummaryAgree = 5208;     // "%1" = entries in the file
constexpr int CompareFileLine = 5209;         // "%1" = file name, "%2" = version it was saved from
constexpr int CompareOtherModel = 5210;       // the file was saved from a drive of another version

// Installed files: settings that cannot be used, description files not found (5300-5309)
constexpr int ConfigSetAside = 5300;          // "%1" = Config.ini, "%2" = where it was moved
constexpr int ConfigNotSetAside = 5301;       // "%1" = Config.ini
constexpr int DescFileFailedPath = 5302;      // "%1" = the description file's path

// The command-line program: help texts, its own messages, data labels
constexpr int CliAbout = 5000;
constexpr int CliExitCodes = 5001;             // help footer: the exit code table
constexpr int CliOptPort = 5002;
constexpr int CliOptBaud = 5003;
constexpr int CliOptJson = 5004;
constexpr int CliOptYes = 5005;
constexpr int CliOptRetries = 5006;
constexpr int CliOptInteractive = 5007;
constexpr int CliOptLang = 5008;
constexpr int CliOptVersion = 5009;
constexpr int CliOptHelp = 5010;
constexpr int CliOptHelpAll = 5011;
constexpr int CliOptPortsFile = 5012;
constexpr int CliOptDiffAll = 5013;
constexpr int CliCmdPorts = 5014;
constexpr int CliCmdInfo = 5015;
constexpr int CliCmdGet = 5016;
constexpr int CliCmdSet = 5017;
constexpr int CliCmdSave = 5018;
constexpr int CliCmdLoad = 5019;
constexpr int CliCmdDiff = 5020;
constexpr int CliCmdMotorDb = 5021;
constexpr int CliCmdMotorDbImport = 5022;
constexpr int CliCmdMotorDbExport = 5023;
constexpr int CliArgAddresses = 5024;
constexpr int CliArgAssignments = 5025;
constexpr int CliArgFile = 5026;
constexpr int CliLabelUsage = 5027;           // the help's own headings
constexpr int CliLabelOptions = 5028;
constexpr int CliLabelSubcommands = 5029;
constexpr int CliLabelRequired = 5030;
constexpr int CliLabelExcludes = 5031;
constexpr int CliLabelArguments = 5055;
constexpr int CliVersionLine = 5032;          // "%1" = program, "%2" = version
constexpr int CliUsageError = 5033;           // "%1" = what the parser said
constexpr int CliBadPortList = 5034;          // "%1" = the text given
constexpr int CliNeedsPort = 5035;            // "%1" = subcommand
constexpr int CliNoPortsListed = 5036;
constexpr int CliInteractiveOnePort = 5037;
constexpr int CliBadAssignment = 5038;        // "%1" = the text given
constexpr int CliBadAddress = 5039;           // "%1" = the text given
constexpr int CliBadValue = 5040;             // "%1" = value text, "%2" = reference
constexpr int CliQuestionDeclined = 5041;     // "%1" = the question
constexpr int CliRetriesUsed = 5042;          // "%1" = retries allowed, "%2" = the question
constexpr int CliNoAnswer = 5043;             // "%1" = the question
constexpr int CliAnswerPrompt = 5044;         // "%1" = numbered choices
constexpr int CliCancelled = 5045;
constexpr int CliCancelPending = 5046;
constexpr int CliSummaryDone = 5047;          // "%1" = port
constexpr int CliSummaryFailed = 5048;        // "%1" = port, "%2" = exit code, "%3" = reason
constexpr int CliInfoVersion = 5049;
constexpr int CliInfoModel = 5050;
constexpr int CliInfoDescription = 5051;
constexpr int CliDiffHeader = 5052;           // column titles, tab-separated

}  // namespace ids
