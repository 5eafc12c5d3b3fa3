<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>ParcelKit</name>
    <message>
        <source>Keychain error %lld</source>
        <translation>Schlüsselbundfehler %lld</translation>
    </message>
    <message>
        <source>The server sent no answer.</source>
        <translation>Der Server hat nicht geantwortet.</translation>
    </message>
    <message>
        <source>Please check your input.</source>
        <translation>Bitte überprüfe deine Eingaben.</translation>
    </message>
    <message>
        <source>The server sent an answer the app doesn&apos;t understand.</source>
        <translation>Der Server hat eine Antwort geschickt, die die App nicht versteht.</translation>
    </message>
    <message>
        <source>The server answered with error %d.</source>
        <translation>Der Server hat mit Fehler %d geantwortet.</translation>
    </message>
    <message>
        <source>You are not signed in.</source>
        <translation>Du bist nicht angemeldet.</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>The address of the server is not valid.</source>
        <translation>Die Adresse des Servers ist ungültig.</translation>
    </message>
    <message>
        <source>The address of the server is not supported.</source>
        <translation>Die Adresse des Servers wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>The certificate of the server is not trusted.</source>
        <translation>Dem Zertifikat des Servers wird nicht vertraut.</translation>
    </message>
    <message>
        <source>The network connection was lost.</source>
        <translation>Die Netzwerkverbindung wurde unterbrochen.</translation>
    </message>
    <message>
        <source>A secure connection to the server could not be made.</source>
        <translation>Es konnte keine sichere Verbindung zum Server hergestellt werden.</translation>
    </message>
    <message>
        <source>The file could not be read.</source>
        <translation>Die Datei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The server requires authentication.</source>
        <translation>Der Server verlangt eine Anmeldung.</translation>
    </message>
    <message>
        <source>The answer of the server could not be decoded.</source>
        <translation>Die Antwort des Servers konnte nicht entschlüsselt werden.</translation>
    </message>
    <message>
        <source>The data is too large.</source>
        <translation>Die Daten sind zu groß.</translation>
    </message>
    <message>
        <source>The server redirected the request too many times.</source>
        <translation>Der Server hat die Anfrage zu oft umgeleitet.</translation>
    </message>
    <message>
        <source>The server could not be found.</source>
        <translation>Der Server wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Could not connect to the server.</source>
        <translation>Keine Verbindung zum Server möglich.</translation>
    </message>
    <message>
        <source>The request timed out.</source>
        <translation>Die Zeit für die Anfrage ist abgelaufen.</translation>
    </message>
    <message>
        <source>A network error occurred.</source>
        <translation>Ein Netzwerkfehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>The request can&apos;t be sent: a header holds a line break.</source>
        <translation>Die Anfrage kann nicht gesendet werden: Ein Header enthält einen Zeilenumbruch.</translation>
    </message>
    <message>
        <source>waiting for the network: %@</source>
        <translation>warte auf das Netzwerk: %@</translation>
    </message>
    <message>
        <source>retrying in %lld s: %@</source>
        <translation>neuer Versuch in %lld s: %@</translation>
    </message>
    <message>
        <source>%1 s left</source>
        <translation>noch %1 s</translation>
    </message>
    <message>
        <source>%1 min left</source>
        <translation>noch %1 min</translation>
    </message>
    <message>
        <source>%1 h left</source>
        <translation>noch %1 h</translation>
    </message>
    <message>
        <source>%1 h %2 min left</source>
        <translation>noch %1 h %2 min</translation>
    </message>
    <message>
        <source>%@ can no longer be found.</source>
        <translation>%@ ist nicht mehr auffindbar.</translation>
    </message>
    <message>
        <source>%@ can no longer be read.</source>
        <translation>%@ kann nicht mehr gelesen werden.</translation>
    </message>
    <message>
        <source>%@ is larger than 100 GB, the most a file can have.</source>
        <translation>%@ ist größer als 100 GB, die Höchstgröße für eine Datei.</translation>
    </message>
    <message>
        <source>%@ was changed while it uploaded.</source>
        <translation>%@ wurde während des Hochladens geändert.</translation>
    </message>
    <message>
        <source>The upload was cancelled on the server.</source>
        <translation>Der Upload wurde auf dem Server abgebrochen.</translation>
    </message>
    <message>
        <source>%@ would need more than 1,000 parts; the part size must be at least %lld bytes for it.</source>
        <translation>%@ bräuchte mehr als 1.000 Teile; die Teilgröße muss dafür mindestens %lld Byte betragen.</translation>
    </message>
    <message>
        <source>The part size of an upload must be at least 1 byte.</source>
        <translation>Die Teilgröße eines Uploads muss mindestens 1 Byte betragen.</translation>
    </message>
    <message>
        <source>The service address “%1” is not an http or https URL.</source>
        <translation>Die Dienstadresse „%1“ ist keine http- oder https-URL.</translation>
    </message>
    <message>
        <source>The service address “%1” uses plain http, which would send your sign-in unencrypted. Use https; plain http is accepted only for a service on this computer (localhost, 127.0.0.1, ::1).</source>
        <translation>Die Dienstadresse „%1“ verwendet einfaches http, damit würde deine Anmeldung unverschlüsselt gesendet. Verwende https; einfaches http ist nur für einen Dienst auf diesem Computer erlaubt (localhost, 127.0.0.1, ::1).</translation>
    </message>
    <message>
        <source>its name is not valid UTF-8 text</source>
        <translation>sein Name ist kein gültiger UTF-8-Text</translation>
    </message>
    <message>
        <source>its name holds a line break or another control character</source>
        <translation>sein Name enthält einen Zeilenumbruch oder ein anderes Steuerzeichen</translation>
    </message>
    <message>
        <source>Uploading files to Parcella</source>
        <translation>Dateien werden zu Parcella hochgeladen</translation>
    </message>
</context>
</TS>
