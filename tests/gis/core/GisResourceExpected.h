// The expected error texts, one table row each, and the keyed area
// codes in table order: the message table must match them byte for byte.
#pragma once

inline constexpr const char* kExpectedErrorRows = R"rows(
| `GIS_RS_ERR_UNIMPLEMENTED` | "0001 Unimplemented feature" |
| `GIS_RS_ERR_UNTESTED` | "0002 Untested case" |
| `GIS_RS_ERR_INI_PARAMS` | "0003 Ini params are incorrect" |
| `GIS_RS_ERR_ABSTRACT_CLASS` | "0004 Abstract class %s. Use one of derived class" |
| `GIS_RS_ERR_ABSTRACT_METHOD` | "0005 Abstract method call. %s." |
| `GIS_RS_ERR_BAD_CALL` | "0006 Improper call of the method (bad parameters?) %s" |
| `GIS_RS_ERR_WRONGSHAPE` | "0010 Wrong or incompatible shape type" |
| `GIS_RS_ERR_WRONGFIELD` | "0011 Wrong or incompatible field type" |
| `GIS_RS_ERR_SQLQUERY` | "0020 Wrong expression "%s"" |
| `GIS_RS_ERR_FILEMAPPING` | "0030 Error during mapping file "%s" (code %d)" |
| `GIS_RS_ERR_FILEREAD` | "0031 Error during reading file "%s" (code %d)" |
| `GIS_RS_ERR_FILEWRITE` | "0032 Error during writing file "%s" (code %d)" |
| `GIS_RS_ERR_FILEEXIST` | "0033 File "%s" already exist" |
| `GIS_RS_ERR_FILEBADFORMAT` | "0034 File "%s" has wrong format or was corrupted" |
| `GIS_RS_ERR_FILENEWERVERSION` | "0035 File "%s" was created in a newer version of program" |
| `GIS_RS_ERR_FILEEXTENSION` | "0036 Unrecognized file extension for "%s"" |
| `GIS_RS_ERR_FILEPASSWORD` | "0037 File "%s" is password protected" |
| `GIS_RS_ERR_GEOMETRY` | "0040 Error in geometry data" |
| `GIS_RS_ERR_FIELDEXIST` | "0050 Field "%s" already exist" |
| `GIS_RS_ERR_FIELDNOEXIST` | "0051 Field "%s" does not exist or is marked as deleted" |
| `GIS_RS_ERR_FIELDREADONLY` | "0052 Field "%s" is readonly" |
| `GIS_RS_ERR_NOEDITABLE` | "0060 Shape is not ediatble" |
| `GIS_RS_ERR_WRONGFLOAT` | "0070 Wrong float value "%s"" |
| `GIS_RS_ERR_WRONGBOOLEAN` | "0071 Wrong boolean value "%s"" |
| `GIS_RS_ERR_WRONGDATE` | "0072 Wrong date value "%s"" |
| `GIS_RS_ERR_LAYEREXIST` | "0080 Layer "%s" already exist" |
| `GIS_RS_ERR_LAYERNOEXIST` | "0081 Layer "%s" does not exist" |
| `GIS_RS_ERR_LAYERBADEXTENT` | "0082 Layer "%s" has bad extent. Probably corrupted world file" |
| `GIS_RS_ERR_LAYERMISSED` | "0083 Layer(s) can not be opened: %s" |
| `GIS_RS_ERR_LAYERSQLERROR` | "0085 Can not connect to SQL based layer: %s" |
| `GIS_RS_ERR_TXTFILESTRUCT` | "0090 File structure error in file "%s" as line %d" |
| `GIS_RS_ERR_E00ENTRY` | "0091 File "%s" has no entry: " |
| `GIS_RS_ERR_ADOJOIN` | "0100 Invalid ADO join "%s"" |
| `GIS_RS_ERR_BADPARAM` | "0110 Invalid parameter "%s"" |
| `GIS_RS_ERR_BADPIXELFORMAT` | "0120 Unsupported pixel format (color depth)" |
| `GIS_RS_ERR_IMAGETOBIG` | "0130 Image is to big" |
| `GIS_RS_ERR_UNSUPPORTEDWKB` | "0140 Unsupported WKB type %s%d" |
| `GIS_RS_ERR_UNSUPPORTEDWKT` | "0141 Unsupported WKT type "%s"" |
| `GIS_RS_ERR_UNSUPPORTEDGDO` | "0142 Unsupported GDO type %s%d" |
| `GIS_RS_ERR_UNSUPPORTEDFEATURE` | "0145 Unsupported feature %s (%d)" |
| `GIS_RS_ERR_UNSUPPORTEDDIALECT` | "0146 Unsupported dialect %s" |
| `GIS_RS_ERR_TOPOLOGY_CANTBEFIXED` | "0150 Shape can not be fixed" |
| `GIS_RS_ERR_TOPOLOGY_EMPTYAFTERFIX` | "0151 Shape is empty after fix" |
| `GIS_RS_ERR_PIXELSTORE_WRONGSOURCE` | "0160 Source bitmap must be the same size as CellSize of the PixelStore" |
| `GIS_RS_ERR_ELLIPSOID_NOEXIST` | "0200 Ellipsoid "%s" not found" |
| `GIS_RS_ERR_LATITUDE_INVALID` | "0210 Latitude %s out of scope" |
| `GIS_RS_ERR_LONGITUDE_INVALID` | "0211 Longitude %s out of scope" |
| `GIS_RS_ERR_EASTING_INVALID` | "0215 Easting %s out of scope" |
| `GIS_RS_ERR_NORTHING_INVALID` | "0216 Northing %s out of scope" |
| `GIS_RS_ERR_COORIDINATE_INVALID` | "0217 Coordinate "%s" invalid" |
| `GIS_RS_ERR_ORIGINLATITUDE_INVALID` | "0220 Origin latitide %s out of scope" |
| `GIS_RS_ERR_CENTRALMERIDIAN_INVALID` | "0221 Central meridian %s out of scope" |
| `GIS_RS_ERR_STANDARDPARALELL_INVALID` | "0222 Standard Paralell is out of scope" |
| `GIS_RS_ERR_LATITUDEPOINT12_INVALID` | "0223 Latitude of Point 1 & 2 to close" |
| `GIS_RS_ERR_ZONE_INVALID` | "0225 Zone "%s%d" out of scope" |
| `GIS_RS_ERR_ZONE_OVERRIDEERROR` | "0226 Zone "%s%d" override error" |
| `GIS_RS_ERR_COORDINATES_INVALID` | "0230 Coordinates not valid for the current datum" |
| `GIS_RS_ERR_PRJ_NOTSOLVABELE` | "0235 Projection is not solvable for current parameters" |
| `GIS_RS_ERR_PRJ_DISTORTED` | "0236 Result will be distorted for current parameters" |
| `GIS_RS_ERR_LATITUDE_FIXED` | "0240 Latitude out of scope - corrected." |
| `GIS_RS_ERR_LONGITUDE_FIXED` | "0241 Longitude out of scope - corrected." |
| `GIS_RS_ERR_NORTHING_FIXED` | "0242 Northing out of scope - corrected." |
| `GIS_RS_ERR_EASTING_FIXED` | "0243 Easting out of scope - corrected." |
| `GIS_RS_ERR_ORIGINLATITUDE_FIXED` | "0244 Origin lattitude out of scope - corrected." |
| `GIS_RS_ERR_CENTRALMERIDIAN_FIXED` | "0245 Standard meridian out of scope - corrected." |
| `GIS_RS_ERR_STANDARDPARALLEL_1_FIXED` | "0246 First standard parallel out of scope - corrected." |
| `GIS_RS_ERR_STANDARDPARALLEL_2_FIXED` | "0247 Second standard parallel out of scope - corrected." |
| `GIS_RS_ERR_SCALEFACTOR_FIXED` | "0248 Scale factor out of scope - corrected." |
)rows";

inline constexpr const char* kExpectedAreaCodes =
    "1024, 1025, 1026, 1027, 1030, 1031, 1033, 1036, 1037, 1038, 1040, 1041, 1044, 1047, 1049, "
    "1051, 1053, 1057, 1058, 1060, 1061, 1063, 1066, 1067, 1069, 1070, 1072, 1076, 1077, 1078, "
    "1079, 1080, 1081, 1082, 1085, 1086, 1089, 1090, 1091, 1094, 1095, 1096, 1100, 1104, 1105, "
    "1106, 1107, 1108, 1110, 1112, 1113, 1114, 1118, 1119, 1120, 1122, 1123, 1128, 1129, 1131, "
    "1132, 1135, 1136, 1139, 1141, 1142, 1145, 1146, 1149, 1150, 1152, 1153, 1154, 1160, 1165, "
    "1166, 1167, 1169, 1172, 1175, 1178, 1183, 1184, 1188, 1189, 1191, 1192, 1193, 1195, 1197, "
    "1198, 1200, 1201, 1202, 1206, 1207, 1209, 1210, 1211, 1212, 1214, 1215, 1218, 1219, 1221, "
    "1222, 1224, 1225, 1226, 1227, 1228, 1230, 1231, 1235, 1236, 1237, 1243, 1247, 1251, 1252, "
    "1257, 1259, 1260, 1261, 1262, 1264, 1271, 1273, 1275, 1282, 1286, 1287, 1301, 1305, 1309, "
    "1312, 1314, 1316, 1317, 1322, 1323, 1325, 1328, 1331, 1332, 1333, 1334, 1335, 1336, 1338, "
    "1339, 1340, 1341, 1343, 1344, 1345, 1346, 1352, 1355, 1360, 1362, 1365, 1367, 1368, 1372, "
    "1373, 1374, 1376, 1379, 1380, 1382, 1383, 1384, 1385, 1386, 1387, 1388, 1391, 1392, 1393, "
    "1394, 1396, 1397, 1399, 1400, 1401, 1403, 1404, 1405, 1410, 1411, 1413, 1415, 1417, 1418, "
    "1419, 1447, 1489, 1494, 1533, 1546, 1547, 1548, 1549, 1550, 1623, 1717, 1754, 2157, 2282, "
    "2283, 2284, 2286, 2288, 2289, 2297, 2298, 2307, 2308, 2309, 2310, 2311, 2312, 2313, 2315, "
    "2316, 2317, 2318, 2319, 2320, 2321, 2322, 2323, 2324, 2325, 2326, 2327, 2328, 2330, 2333, "
    "2334, 2335, 2336, 2337, 2338, 2339, 2340, 2341, 2342, 2343, 2344, 2345, 2346, 2347, 2348, "
    "2349, 2350, 2351, 2352, 2353, 2354, 2355, 2356, 2357, 2358, 2359, 2360, 2361, 2362, 2363, "
    "2364, 2365, 2369, 2370, 2372, 2375, 2376, 2377, 2378, 2379, 2380, 2381, 2382, 2383, 2384, "
    "2385, 2386, 2387, 2388, 2389, 2390, 2391, 2392, 2394, 2395, 2396, 2397, 2398, 2399, 2400, "
    "2401, 2402, 2403, 2404, 2405, 2406, 2407, 2408, 2409, 2410, 2411, 2412, 2413, 2414, 2415, "
    "2416, 2417, 2418, 2419, 2420, 2421, 2424, 2425, 2426, 2427, 2428, 2429, 2430, 2431, 2432, "
    "2433, 2434, 2435, 2436, 2437, 2438, 2439, 2440, 2441, 2442, 2443, 2444, 2445, 2446, 2447, "
    "2448, 2449, 2450, 2451, 2452, 2453, 2454, 2455, 2456, 2457, 2458, 2459, 2460, 2461, 2462, "
    "2463, 2464, 2465, 2466, 2467, 2468, 2469, 2470, 2471, 2472, 2473, 2474, 2475, 2476, 2477, "
    "2478, 2479, 2480, 2481, 2482, 2483, 2484, 2485, 2486, 2487, 2488, 2489, 2490, 2491, 2492, "
    "2493, 2494, 2495, 2496, 2497, 2498, 2499, 2500, 2501, 2502, 2503, 2504, 2505, 2506, 2507, "
    "2508, 2509, 2510, 2511, 2512, 2513, 2514, 2515, 2516, 2517, 2518, 2519, 2520, 2521, 2522, "
    "2523, 2524, 2525, 2526, 2547, 2555, 2570, 2571, 2574, 2577, 2588, 2590, 2593, 2594, 2595, "
    "2598, 2599, 2600, 2601, 2770, 2771, 2780, 2781, 2782, 2783, 2785, 2786, 2816, 901024, "
    "901025, 901026, 901027, 901028, 901029, 901030, 901031, 901032, 901033, 901034, 901035, "
    "901036, 901037, 901038, 901039, 901040, 901041, 901042, 901043, 901044, 901045, 901046, "
    "901047, 901048";
