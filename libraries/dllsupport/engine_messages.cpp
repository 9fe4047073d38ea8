#include "engine_messages.h"

#include <iterator>
#include <string_view>
#include <vector>

#include "sjis_path.h"

namespace dllsupport {
namespace {

// In `en`, {} is a variable part; in `ja`, %1..%9 put the parts back as they
// are (names, numbers), %*1..%*9 as messages of their own, themselves looked
// up. '%' is neither a lead nor a trail byte of Shift-JIS, so the Japanese
// texts can be read byte by byte. Of the forms that fit, the one with the
// most fixed text wins.
struct Form {
  const char* en;
  const char* ja;
};

const Form kForms[] = {
    // Whatever the format.
    {"cancelled", "中止しました"},
    {"compressed data ends early", "圧縮データが途中で終わっています"},
    {"compressed data", "圧縮データ"},
    {"invalid Huffman code", "ハフマン符号が正しくありません"},
    {"bad Huffman tree", "ハフマン木が壊れています"},
    {"empty compressed block", "空の圧縮ブロックがあります"},
    {"unexpected end of {}", "%*1が途中で終わっています"},
    {"the archive ends inside {}", "%*1の途中で書庫が終わっています"},
    {"the archive", "書庫"},
    {"archive member", "格納ファイル"},
    {"archive", "書庫"},
    {"input file", "入力ファイル"},
    {"input", "入力"},
    {"data", "データ"},
    {"stored data", "無圧縮のデータ"},
    {"the file", "ファイル"},
    {"no such entry", "該当する項目がありません"},
    {"no entry number {}", "%1 番の項目はありません"},
    {"no entry {}", "%1 番の項目はありません"},
    {"empty name", "名前が空です"},

    // Files and folders on disk.
    {"cannot create folder {}", "フォルダ %1 を作成できません"},
    {"no free temporary name in {}", "%1 に一時ファイルの名前を用意できません"},
    {"cannot open {}: is a folder", "%1 はフォルダなので開けません"},
    {"cannot open {}: {}", "%1 を開けません: %2"},
    {"cannot read the size of {}: {}", "%1 の大きさを読めません: %2"},
    {"cannot read the current folder : {}", "現在のフォルダを読めません: %1"},
    {"cannot read {}: {}", "%1 を読めません: %2"},
    {"cannot write {}: {}", "%1 に書き込めません: %2"},
    {"cannot write {}", "%1 に書き込めません"},
    {"cannot close {}: {}", "%1 を閉じられません: %2"},
    {"cannot stat {}: {}", "%1 の情報を読めません: %2"},
    {"cannot list {}: {}", "%1 の中身を一覧にできません: %2"},
    {"cannot remove folder {}: {}", "フォルダ %1 を削除できません: %2"},
    {"cannot remove {}: {}", "%1 を削除できません: %2"},
    {"cannot rename to {}: {}", "%1 に名前を変更できません: %2"},
    {"cannot set the time of {}: {}", "%1 の日時を設定できません: %2"},
    {"cannot change attributes of {}: {}", "%1 の属性を変更できません: %2"},
    {"cannot find the temporary folder : {}", "一時フォルダが見つかりません: %1"},
    {"no such file or folder: {}", "ファイルまたはフォルダがありません: %1"},
    {"refusing to write through the symbolic link {}", "シンボリックリンク %1 の先には書き込みません"},
    {"a file is in the way of the folder {}", "フォルダ %1 と同じ名前のファイルがあります"},
    {"a folder is in the way of {}", "%1 と同じ名前のフォルダがあります"},
    {"{}: the file became shorter while it was read", "%1 が読み取りの間に短くなりました"},
    {"{} became shorter while it was read", "%1 が読み取りの間に短くなりました"},
    {"header size changed while writing {}", "%1 の書き込み中にヘッダの大きさが変わりました"},
    {"write failed (injected failure)", "書き込みに失敗しました (試験のための失敗)"},
    {"out of memory while inflating", "展開中にメモリが足りなくなりました"},
    {"out of memory in the deflate decoder", "展開中にメモリが足りなくなりました"},
    {"out of memory", "メモリが足りません"},
    {"cannot start the MSZIP decoder", "MSZIP の展開を始められません"},
    {"cannot start the deflate decoder", "deflate の展開を始められません"},
    {"cannot start the inflater", "deflate の展開を始められません"},
    {"cannot restart the deflate decoder", "deflate の展開をやり直せません"},
    {"cannot restart the inflater", "deflate の展開をやり直せません"},
    {"cannot start the deflater", "deflate の圧縮を始められません"},
    {"the deflater failed", "deflate の圧縮に失敗しました"},
    {"encoder produced an oversized block", "圧縮したブロックが大きすぎます"},
    {"CNG: {} (status {})", "暗号処理 (CNG) に失敗しました: %*1 (状態 %2)"},
    {"libcrypto: {}", "暗号処理 (libcrypto) に失敗しました: %*1"},
    {"AES encryption came out short", "AES の暗号化の結果が足りません"},
    {"AES encryption failed", "AES の暗号化に失敗しました"},
    {"HMAC-SHA1 failed", "HMAC-SHA1 の計算に失敗しました"},
    {"PBKDF2 failed", "PBKDF2 の計算に失敗しました"},
    {"cannot open an algorithm provider", "暗号のアルゴリズムを開けません"},
    {"cannot choose ECB for AES", "AES に ECB モードを設定できません"},
    {"cannot make the AES key", "AES の鍵を作れません"},
    {"cannot set up AES", "AES を準備できません"},
    {"cannot set up HMAC-SHA1", "HMAC-SHA1 を準備できません"},
    {"no HMAC", "HMAC がありません"},
    {"iconv lacks {} to {}", "%1 から %2 への文字コード変換がありません"},

    // LZH.
    {"CRC error in {}", "%1 の CRC が一致しません"},
    {"unsupported method {} for {}", "%2 の圧縮形式 %1 には対応していません"},
    {"{} does not decode as -lh7-: it looks like LHARK's own -lh7- scheme, which this program cannot decode",
     "%1 は -lh7- として展開できません。LHARK 独自の -lh7- 方式と見られますが、この方式には対応していません"},
    {"ignored data at offset {} after the last member ({})", "最後の格納ファイルの後、位置 %1 のデータを無視しました (%*2)"},
    {"bad extended header", "拡張ヘッダが壊れています"},
    {"header CRC error", "ヘッダの CRC が一致しません"},
    {"header checksum error", "ヘッダのチェックサムが一致しません"},
    {"truncated header", "ヘッダが途中で切れています"},
    {"no header here", "ヘッダがありません"},
    {"bad header size", "ヘッダの大きさが正しくありません"},
    {"bad compressed size", "圧縮後の大きさが正しくありません"},
    {"bad header", "ヘッダが壊れています"},
    {"unknown header level", "未知のヘッダレベルです"},
    {"name too long for a level-0 header: {}", "レベル 0 のヘッダには名前が長すぎます: %1"},
    {"file too large for a level-0 header: {}", "レベル 0 のヘッダには大きすぎるファイルです: %1"},
    {"file too large for a level-1 header: {}", "レベル 1 のヘッダには大きすぎるファイルです: %1"},
    {"header too long: {}", "ヘッダが長すぎます: %1"},
    {"extended header too long", "拡張ヘッダが長すぎます"},
    {"{} is not an LZH archive", "%1 は LZH 書庫ではありません"},
    {"unknown LZH method {} (lh0, lh5, lh6 or lh7)", "未知の LZH の圧縮形式です: %1 (lh0、lh5、lh6、lh7 のいずれか)"},

    // Cabinets.
    {"damaged cabinet header", "キャビネットのヘッダが壊れています"},
    {"no cabinet signature", "キャビネットの識別子がありません"},
    {"cabinet format version {} is unknown", "キャビネットの形式の版 %1 は未知です"},
    {"cabinet has no folders", "キャビネットにフォルダがありません"},
    {"cabinet has no files", "キャビネットにファイルがありません"},
    {"cabinet header gives impossible offsets", "キャビネットのヘッダの示す位置がありえません"},
    {"cabinet is {} bytes shorter than it claims", "キャビネットが記録より %1 バイト短くなっています"},
    {"cabinet at offset {}: {}", "位置 %1 のキャビネット: %*2"},
    {"cabinet ends inside a data block", "データブロックの途中でキャビネットが終わっています"},
    {"cabinet ends inside {}", "%*1の途中でキャビネットが終わっています"},
    {"cabinet", "キャビネット"},
    {"{} is not terminated", "%*1が終端されていません"},
    {"the cabinet header", "キャビネットのヘッダ"},
    {"the header's reserved area", "ヘッダの予約領域"},
    {"the reserve sizes", "予約領域の大きさ"},
    {"the previous cabinet's name", "前のキャビネットの名前"},
    {"the previous disk's name", "前のディスクの名前"},
    {"the next cabinet's name", "次のキャビネットの名前"},
    {"the next disk's name", "次のディスクの名前"},
    {"a folder record", "フォルダの記録"},
    {"a folder's reserved area", "フォルダの予約領域"},
    {"a file record", "ファイルの記録"},
    {"a file name", "ファイル名"},
    {"a data block", "データブロック"},
    {"folder {} starts outside the cabinet", "フォルダ %1 がキャビネットの外から始まっています"},
    {"file {} has no name", "ファイル %1 に名前がありません"},
    {"file {} names folder {} of {}", "ファイル %1 がフォルダ %2 を指していますが、フォルダは %3 個です"},
    {"file {} lies beyond the largest possible folder", "ファイル %1 がフォルダの取りうる大きさを超えた位置にあります"},
    {"data block {} fails its checksum", "データブロック %1 のチェックサムが一致しません"},
    {"data block of more than 32 KB", "32 KB を超えるデータブロックがあります"},
    {"uncompressed block whose sizes differ", "無圧縮のブロックの圧縮前後の大きさが違います"},
    {"the file goes on in cabinet {}, which is not there", "ファイルの続きのキャビネット %1 が見つかりません"},
    {"the folder goes on in cabinet {}, which is not there", "フォルダの続きのキャビネット %1 が見つかりません"},
    {"the folder starts in cabinet {}, which is not there", "フォルダの始まりのキャビネット %1 が見つかりません"},
    {"folder ends {} bytes before the file does", "フォルダがファイルの終わりより %1 バイト手前で終わっています"},
    {"folder ends before the file's data", "ファイルのデータより前でフォルダが終わっています"},
    {"LZX window of {} bits", "LZX の %1 ビットの窓"},
    {"Quantum window of {} bits", "Quantum の %1 ビットの窓"},
    {"compression method {} is not supported", "圧縮形式 %1 には対応していません"},
    {"compression method {}", "圧縮形式 %1"},
    {"method {}", "圧縮形式 %1"},
    {"a volume's scratch file came back short", "分割の作業ファイルが短くなりました"},
    {"a cabinet needs at least one file", "キャビネットには一つ以上のファイルが必要です"},
    {"a cabinet holds at most 65535 files", "キャビネットに入るファイルは 65535 個までです"},
    {"{} is too large for a cabinet (2 GB at most)", "%1 はキャビネットに入れるには大きすぎます (2 GB まで)"},
    {"name too long for a cabinet (255 bytes at most): {}", "キャビネットに入れるには名前が長すぎます (255 バイトまで): %1"},
    {"too many folders for one cabinet", "一つのキャビネットにはフォルダが多すぎます"},
    {"too many blocks in one folder of a volume", "分割の一つのフォルダにはブロックが多すぎます"},
    {"a volume of {} bytes is too small: one block with its directory needs {}",
     "分割の大きさ %1 バイトは小さすぎます: ブロック一つと目録に %2 バイト必要です"},
    {"a cabinet set holds at most 65536 volumes", "分割できるのは 65536 個までです"},
    {"volume name too long: {}", "分割したキャビネットの名前が長すぎます: %1"},
    {"too many files for one volume", "分割の一つにはファイルが多すぎます"},
    {"the cabinet would exceed 4 GB", "キャビネットが 4 GB を超えてしまいます"},
    {"cabinets can be written with None, MSZIP or LZX only", "キャビネットの圧縮形式は None、MSZIP、LZX のいずれかです"},
    {"LZX window must be 15 to 21 bits", "LZX の窓は 15 から 21 ビットです"},
    {"window bits must be 15..21", "窓のビット数は 15 から 21 です"},
    {"MSZIP level must be 1 to 9", "MSZIP の圧縮レベルは 1 から 9 です"},
    {"deflate level must be 1 to 9", "deflate の圧縮レベルは 1 から 9 です"},
    {"gzip levels are 1 to 9", "gzip の圧縮レベルは 1 から 9 です"},
    {"bzip2 level must be 1..9", "bzip2 の圧縮レベルは 1 から 9 です"},
    {"compress (.Z) codes must be 9 to 16 bits wide", "compress (.Z) の符号は 9 から 16 ビットです"},
    {"header level must be 0, 1 or 2", "ヘッダレベルは 0、1、2 のいずれかです"},

    // The Cabinet methods.
    {"MSZIP block larger than 32 KB", "MSZIP のブロックが 32 KB を超えています"},
    {"MSZIP block without its CK signature", "MSZIP のブロックに CK の識別子がありません"},
    {"MSZIP block longer than its stated size", "MSZIP のブロックが記録された大きさより長くなっています"},
    {"MSZIP block shorter than its stated size", "MSZIP のブロックが記録された大きさより短くなっています"},
    {"MSZIP data: {}", "MSZIP のデータ: %*1"},
    {"bad deflate stream", "deflate のデータが壊れています"},
    {"LZX: {}", "LZX のデータ: %*1"},
    {"Quantum: {}", "Quantum のデータ: %*1"},
    {"code length out of range", "符号長が範囲を外れています"},
    {"oversubscribed Huffman code", "ハフマン符号の割り当てが多すぎます"},
    {"block header past the end of the data", "ブロックのヘッダがデータの終わりを越えています"},
    {"uncompressed block header cut short", "無圧縮のブロックのヘッダが途中で切れています"},
    {"uncompressed block cut short", "無圧縮のブロックが途中で切れています"},
    {"frame data ends early", "フレームのデータが途中で終わっています"},
    {"frame after a short frame", "短いフレームの後にフレームが続いています"},
    {"bad pretree run", "前置木の繰り返しが正しくありません"},
    {"empty block", "空のブロックがあります"},
    {"invalid block type", "ブロックの種類が正しくありません"},
    {"match runs past the end of its block or frame", "一致がブロックかフレームの終わりを越えています"},
    {"match runs past the end of its frame", "一致がフレームの終わりを越えています"},
    {"match distance beyond the data decoded so far", "一致の距離が展開済みのデータを越えています"},

    // deflate and gzip (with zlib's own words for what it found).
    {"deflate data: {}", "deflate のデータ: %*1"},
    {"deflate data ends too early", "deflate のデータが途中で終わっています"},
    {"deflate data ends inside a stored block", "deflate のデータが無圧縮のブロックの途中で終わっています"},
    {"over-subscribed code lengths", "符号長の割り当てが多すぎます"},
    {"distance before the start of the data", "距離がデータの始まりより前を指しています"},
    {"reserved block type", "予約されたブロックの種類です"},
    {"stored block length check failed", "無圧縮のブロックの長さの検査が合いません"},
    {"length repeat with nothing before it", "前に何もない長さの繰り返しがあります"},
    {"code lengths overrun the table", "符号長が表を越えています"},
    {"no end-of-block code", "ブロック終端の符号がありません"},
    {"invalid length code", "長さの符号が正しくありません"},
    {"invalid distance code", "距離の符号が正しくありません"},
    {"invalid", "正しくありません"},
    {"invalid stored block lengths", "無圧縮のブロックの長さが正しくありません"},
    {"too many length or distance symbols", "長さか距離の記号が多すぎます"},
    {"invalid code lengths set", "符号長の組が正しくありません"},
    {"invalid bit length repeat", "ビット長の繰り返しが正しくありません"},
    {"invalid code -- missing end-of-block", "ブロック終端の符号がありません"},
    {"invalid literal/lengths set", "文字と長さの符号の組が正しくありません"},
    {"invalid distances set", "距離の符号の組が正しくありません"},
    {"invalid literal/length code", "文字と長さの符号が正しくありません"},
    {"invalid distance too far back", "距離が遠すぎます"},
    {"not gzip data", "gzip のデータではありません"},
    {"gzip data ends inside the {}", "gzip のデータが%*1の途中で終わっています"},
    {"gzip header: the stored {} is too long", "gzip のヘッダ: 記録された%*1が長すぎます"},
    {"gzip header: reserved flags are set", "gzip のヘッダ: 予約されたフラグが立っています"},
    {"gzip data is damaged: {}", "gzip のデータが壊れています: %*1"},
    {"bad deflate data", "deflate のデータが壊れています"},
    {"gzip data: CRC error", "gzip のデータの CRC が一致しません"},
    {"gzip data: the stored size does not match", "gzip のデータの大きさが記録と違います"},
    {"header", "ヘッダ"},
    {"extra field", "拡張フィールド"},
    {"name", "名前"},
    {"comment", "コメント"},
    {"trailer", "末尾"},

    // compress (.Z) and bzip2.
    {"not compress (.Z) data: the header is incomplete", "compress (.Z) のデータではありません: ヘッダが欠けています"},
    {"not compress (.Z) data", "compress (.Z) のデータではありません"},
    {"compress (.Z) data: a string code where a literal must be", "compress (.Z) のデータ: 文字のあるべき所に文字列の符号があります"},
    {"compress (.Z) data: a code not yet defined", "compress (.Z) のデータ: まだ定義されていない符号があります"},
    {"compress (.Z) data with {}-bit codes", "%1 ビットの符号の compress (.Z) のデータ"},
    {"bzip2 data ends early", "bzip2 のデータが途中で終わっています"},
    {"no bzip2 data", "bzip2 のデータがありません"},
    {"not bzip2 data", "bzip2 のデータではありません"},
    {"bzip2 block CRC does not match its data", "bzip2 のブロックの CRC が一致しません"},
    {"bzip2 stream CRC does not match its blocks", "bzip2 のストリームの CRC が一致しません"},
    {"bzip2 block magic is missing", "bzip2 のブロックの識別子がありません"},
    {"bzip2 Huffman table is over-subscribed", "bzip2 のハフマン表の割り当てが多すぎます"},
    {"bzip2 data holds an unassigned Huffman code", "bzip2 のデータに割り当てのないハフマン符号があります"},
    {"bzip2 block: {}", "bzip2 のブロック: %*1"},
    {"no byte values in use", "使われているバイト値がありません"},
    {"bad number of Huffman tables", "ハフマン表の数が正しくありません"},
    {"no selectors", "選択子がありません"},
    {"bad selector", "選択子が正しくありません"},
    {"bad code length", "符号長が正しくありません"},
    {"start row out of range", "開始行が範囲を外れています"},
    {"more symbols than selectors", "選択子より記号が多くあります"},
    {"run too long", "繰り返しが長すぎます"},
    {"block longer than its stream allows", "ブロックがストリームの許す長さを超えています"},

    // tar.
    {"more than {} entries; the rest is not listed", "項目が %1 個を超えるため、残りは一覧にしません"},
    {"the names of the entries exceed {} bytes; the rest is not listed",
     "項目の名前が合わせて %1 バイトを超えるため、残りは一覧にしません"},
    {"the archive ends inside a header at offset {}", "位置 %1 のヘッダの途中で書庫が終わっています"},
    {"the archive ends inside an extended header at offset {}", "位置 %1 の拡張ヘッダの途中で書庫が終わっています"},
    {"the archive ends inside the data of {}", "%1 のデータの途中で書庫が終わっています"},
    {"the archive ends inside the sparse map of {}", "%1 のスパース情報の途中で書庫が終わっています"},
    {"the archive ends inside this entry's data ({} bytes stated)", "この項目のデータの途中で書庫が終わっています (記録では %1 バイト)"},
    {"the archive ends before this entry's data", "この項目のデータより前で書庫が終わっています"},
    {"a damaged header at offset {}; the rest of the archive is ignored", "位置 %1 のヘッダが壊れています。書庫の残りは無視します"},
    {"a damaged size in the header at offset {}; the rest of the archive is ignored",
     "位置 %1 のヘッダの大きさが壊れています。書庫の残りは無視します"},
    {"an extended header of {} bytes at offset {} is too large; the rest of the archive is ignored",
     "位置 %2 の拡張ヘッダ (%1 バイト) が大きすぎます。書庫の残りは無視します"},
    {"a name longer than {} bytes at offset {}; the rest of the archive is ignored",
     "位置 %2 に %1 バイトより長い名前があります。書庫の残りは無視します"},
    {"a damaged pax header at offset {}", "位置 %1 の pax ヘッダが壊れています"},
    {"global pax headers beyond {} bytes are ignored", "%1 バイトを超える大域 pax ヘッダは無視します"},
    {"a damaged sparse header for {}; the rest of the archive is ignored", "%1 のスパースヘッダが壊れています。書庫の残りは無視します"},
    {"a damaged sparse map for {}; the rest of the archive is ignored", "%1 のスパース情報が壊れています。書庫の残りは無視します"},
    {"a damaged sparse map", "スパース情報が壊れています"},
    {"a damaged sparse size", "スパースファイルの大きさが壊れています"},
    {"sparse format {} is not supported", "スパース形式 %1 には対応していません"},
    {"sparse chunks overlap or are out of order", "スパースの区間が重なっているか、順になっていません"},
    {"a sparse chunk lies beyond the file's size", "スパースの区間がファイルの大きさを越えています"},
    {"the sparse chunks are longer than the stored data", "スパースの区間が格納されたデータより長くなっています"},
    {"sparse file data", "スパースファイルのデータ"},
    {"entry {}: {}", "%1: %*2"},
    {"data after the end of the archive at offset {} is ignored", "位置 %1 からの書庫の終わりの後のデータは無視します"},
    {"data after the end of the gzip data is ignored", "gzip のデータの後のデータは無視します"},
    {"the compressed data is damaged: {}; the entries after it are not listed",
     "圧縮データが壊れています: %*1。その後の項目は一覧にしません"},
    {"the compressed data changed since it was listed", "一覧にした後で圧縮データが変わりました"},
    {"not a tar archive", "tar 書庫ではありません"},
    {"a compressed file holds exactly one file", "圧縮ファイルに入るのはファイル一つだけです"},

    // ZIP.
    {"the entry cannot be extracted: {}", "この項目は展開できません: %*1"},
    {"the link target of an entry cannot be read: {}", "項目のリンク先を読めません: %*1"},
    {"{}: wrong password or damaged data", "%*1 (パスワードが違うか、データが壊れています)"},
    {"wrong password", "パスワードが違います"},
    {"the entry is encrypted and no password was given", "暗号化されていますが、パスワードが指定されていません"},
    {"the entry is encrypted; skipped without a password", "暗号化されています。パスワードがないため処理しませんでした"},
    {"the encrypted entry is shorter than its salt and codes", "暗号化された項目がソルトと検査符号より短くなっています"},
    {"the encrypted entry is shorter than its header", "暗号化された項目が暗号ヘッダより短くなっています"},
    {"the encryption header", "暗号ヘッダ"},
    {"the authentication code does not match", "認証符号が一致しません"},
    {"the authentication code", "認証符号"},
    {"unknown AES key strength", "AES の鍵の強さが未知です"},
    {"strongly encrypted entries are not supported", "強力な暗号化 (Strong Encryption) の項目には対応していません"},
    {"CRC error (stored {}, computed {})", "CRC が一致しません (記録 %1、計算 %2)"},
    {"the entry decodes to {} bytes instead of {}", "展開すると %2 バイトのはずが %1 バイトになります"},
    {"the entry decodes to more than its stated size", "展開すると記録された大きさを超えます"},
    {"the data descriptor disagrees with the central directory", "データ記述子が中央ディレクトリと食い違っています"},
    {"the archive ends inside an entry's data", "項目のデータの途中で書庫が終わっています"},
    {"the archive ends inside its local header", "ローカルヘッダの途中で書庫が終わっています"},
    {"the ZIP64 end of central directory record is missing", "ZIP64 の中央ディレクトリ終端レコードがありません"},
    {"the ZIP archive has no end of central directory record (truncated?)",
     "中央ディレクトリ終端レコードがありません (書庫が途中で切れていませんか)"},
    {"split or spanned ZIP archives are not supported (this is disk {})", "分割された ZIP 書庫には対応していません (これはディスク %1 です)"},
    {"it starts on another disk of a split archive", "分割された書庫の別のディスクから始まっています"},
    {"its local header lies before the start of the archive", "ローカルヘッダが書庫の始まりより前にあります"},
    {"its local header lies past the end of the archive", "ローカルヘッダが書庫の終わりより後にあります"},
    {"there is no local header where the central directory points", "中央ディレクトリの指す位置にローカルヘッダがありません"},
    {"its local header disagrees with the central directory ({})", "ローカルヘッダが中央ディレクトリと食い違っています (%*1)"},
    {"sizes", "大きさ"},
    {"method", "圧縮形式"},
    {"encryption", "暗号化"},
    {"its data runs into the central directory", "データが中央ディレクトリに食い込んでいます"},
    {"its data overlaps another entry's", "データが別の項目のデータと重なっています"},
    {"its ZIP64 field is too short", "ZIP64 フィールドが短すぎます"},
    {"it is AES-encrypted but has no valid AES field", "AES で暗号化されていますが、正しい AES フィールドがありません"},
    {"it is AES-encrypted but not marked as encrypted", "AES で暗号化されていますが、暗号化の印がありません"},
    {"its AES form (version {}, strength {}) is unknown", "未知の AES の形式です (版 %1、強さ %2)"},
    {"the central directory is larger than the archive", "中央ディレクトリが書庫より大きくなっています"},
    {"the central directory is not where the end record places it", "中央ディレクトリが終端レコードの示す位置にありません"},
    {"the central directory overlaps the end record", "中央ディレクトリが終端レコードと重なっています"},
    {"the central directory", "中央ディレクトリ"},
    {"the end record counts {} entries, the central directory holds {}",
     "終端レコードでは項目が %1 個ですが、中央ディレクトリには %2 個あります"},
    {"the end record", "終端レコード"},
    {"the ZIP64 locator", "ZIP64 の位置情報"},
    {"central directory record {} is cut short", "中央ディレクトリの %1 番目のレコードが途中で切れています"},
    {"the entry's data", "項目のデータ"},
};

// The parts of `text` where `en` has {}, if the text has that form.
bool fits(std::string_view en, std::string_view text, std::vector<std::string_view>& parts) {
  parts.clear();
  size_t hole = en.find("{}");
  std::string_view lead = en.substr(0, hole);
  if (text.substr(0, lead.size()) != lead) return false;
  if (hole == std::string_view::npos) return text.size() == lead.size();
  size_t at = lead.size();
  en.remove_prefix(hole + 2);
  for (;;) {
    hole = en.find("{}");
    const std::string_view lit = en.substr(0, hole);
    if (hole == std::string_view::npos) {
      // The last text ends the message; the part before it is not empty.
      if (text.size() < at + 1 + lit.size() || text.substr(text.size() - lit.size()) != lit) return false;
      parts.push_back(text.substr(at, text.size() - lit.size() - at));
      return true;
    }
    const size_t found = text.find(lit, at + 1);
    if (found == std::string_view::npos) return false;
    parts.push_back(text.substr(at, found - at));
    at = found + lit.size();
    en.remove_prefix(hole + 2);
  }
}

std::string translate(const std::string& utf8, int depth);

// `ja` with its references filled from `parts`.
std::string fill(std::string_view ja, const std::vector<std::string_view>& parts, int depth) {
  std::string out;
  for (size_t i = 0; i < ja.size();) {
    if (ja[i] != '%') {
      out += ja[i++];
      continue;
    }
    const bool nested = ja[i + 1] == '*';
    const size_t digit = i + 1 + nested;
    const std::string part(parts[static_cast<size_t>(ja[digit] - '1')]);
    out += nested ? translate(part, depth + 1) : fromEngine(part);
    i = digit + 1;
  }
  return out;
}

std::string translate(const std::string& utf8, int depth) {
  if (depth < 4) {
    const Form* best = nullptr;
    size_t bestFixed = 0;
    std::vector<std::string_view> parts, bestParts;
    for (const Form& f : kForms) {
      if (!fits(f.en, utf8, parts)) continue;
      const size_t fixed = std::string_view(f.en).size() - 2 * parts.size();  // each part is a {}
      if (!best || fixed > bestFixed) {
        best = &f;
        bestFixed = fixed;
        bestParts = parts;
      }
    }
    if (best) return fill(best->ja, bestParts, depth);
  }
  return fromEngine(utf8);
}

}  // namespace

std::string engineMessage(const std::string& utf8) { return translate(utf8, 0); }

int firstMalformedForm() {
  for (size_t i = 0; i < std::size(kForms); ++i) {
    const std::string_view en = kForms[i].en, ja = kForms[i].ja;
    size_t holes = 0;
    for (size_t at = en.find("{}"); at != std::string_view::npos; at = en.find("{}", at + 2)) {
      if (at >= 2 && en.substr(at - 2, 2) == "{}") return static_cast<int>(i);  // no text between two parts
      ++holes;
    }
    std::vector<bool> used(holes, false);
    for (size_t at = ja.find('%'); at != std::string_view::npos; at = ja.find('%', at + 1)) {
      const size_t digit = at + 1 + (at + 1 < ja.size() && ja[at + 1] == '*');
      if (digit >= ja.size() || ja[digit] < '1' || static_cast<size_t>(ja[digit] - '1') >= holes)
        return static_cast<int>(i);
      used[static_cast<size_t>(ja[digit] - '1')] = true;
    }
    for (bool u : used)
      if (!u) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace dllsupport
