#include "MqttPublisher.h"

#include "CliSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QUrl>

#include <mosquitto.h>

#include <mutex>
#include <unistd.h>

namespace Cli {

namespace {

constexpr int KeepAliveSeconds = 30;
constexpr int QoS = 1;
constexpr int RetryMs = 2000;

void InitialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

MqttPublisher::MqttPublisher(const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme() != QLatin1String("mqtt") || parsed.host().isEmpty())
        UsageFail(QStringLiteral("--mqtt: \"%1\" is not mqtt://HOST[:PORT]/TOPIC-PREFIX").arg(url));
    Host = parsed.host().toUtf8();
    Port = parsed.port(1883);
    Prefix = parsed.path().mid(1);
    while (Prefix.endsWith(QLatin1Char('/')))
        Prefix.chop(1);
    if (Prefix.isEmpty() || Prefix.contains(QLatin1Char('+')) || Prefix.contains(QLatin1Char('#')))
        UsageFail(QStringLiteral("--mqtt: \"%1\" names no topic prefix (mqtt://HOST:PORT/plant/line1)").arg(url));
    Broker = QStringLiteral("%1:%2").arg(parsed.host()).arg(Port);

    InitialiseLibrary();
    const QByteArray id = QStringLiteral("qmvctl-%1").arg(::getpid()).toUtf8();
    Client = mosquitto_new(id.constData(), true, this);
    if (!Client)
        Fail(QStringLiteral("MQTT: the client cannot be made"));
    mosquitto_connect_callback_set(Client, &MqttPublisher::Connected);
    mosquitto_disconnect_callback_set(Client, &MqttPublisher::Disconnected);
    mosquitto_publish_callback_set(Client, &MqttPublisher::Acknowledged);
    mosquitto_reconnect_delay_set(Client, 1, 5, false);
    Retry.setInterval(RetryMs);
    QObject::connect(&Retry, &QTimer::timeout, [this] { TryConnect(); });
    TryConnect();
}

void MqttPublisher::TryConnect()
{
    const int rc = mosquitto_connect_async(Client, Host.constData(), Port, KeepAliveSeconds);
    if (rc == MOSQ_ERR_SUCCESS) {
        Retry.stop();
        if (mosquitto_loop_start(Client) != MOSQ_ERR_SUCCESS)
            Fail(QStringLiteral("MQTT: the client's thread cannot start"));
        LoopRunning = true;
        return;
    }
    // A broker that is not there yet is no failure: the samples wait for it.
    if (rc != MOSQ_ERR_ERRNO && rc != MOSQ_ERR_EAI)
        Fail(QStringLiteral("MQTT %1: %2").arg(Broker, QString::fromUtf8(mosquitto_strerror(rc))));
    if (!Retry.isActive()) {
        Note(QStringLiteral("MQTT broker %1 not reachable yet; trying again").arg(Broker));
        Retry.start();
    }
}

MqttPublisher::~MqttPublisher()
{
    if (!Client)
        return;
    mosquitto_disconnect(Client);
    if (LoopRunning)
        mosquitto_loop_stop(Client, true);
    mosquitto_destroy(Client);
}

void MqttPublisher::Publish(int address, const QByteArray &payload)
{
    if (Waiting.load() >= MaxWaiting) {
        if (DroppedCount++ == 0)
            Note(QStringLiteral("MQTT broker %1 away too long: samples are no longer queued for it (the local files keep them)")
                     .arg(Broker));
        return;
    }
    const QByteArray topic = (Prefix + QLatin1Char('/') + QString::number(address)).toUtf8();
    ++Waiting;
    // Not connected, the library keeps a QoS 1 message until it is.
    const int rc = mosquitto_publish(Client, nullptr, topic.constData(), static_cast<int>(payload.size()),
                                     payload.constData(), QoS, false);
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) {
        --Waiting;
        ++DroppedCount;
    }
}

void MqttPublisher::Drain(int limitMs)
{
    RunUntil([this] { return Waiting.load() <= 0 || !Up.load(); }, limitMs);
}

void MqttPublisher::Connected(struct mosquitto *, void *self, int code)
{
    auto *publisher = static_cast<MqttPublisher *>(self);
    if (code != 0) {
        publisher->Tell(QStringLiteral("MQTT broker %1 refused the connection: %2")
                            .arg(publisher->Broker, QString::fromUtf8(mosquitto_connack_string(code))));
        return;
    }
    publisher->Up = true;
    publisher->Tell(QStringLiteral("MQTT broker %1 connected").arg(publisher->Broker));
}

void MqttPublisher::Disconnected(struct mosquitto *, void *self, int code)
{
    auto *publisher = static_cast<MqttPublisher *>(self);
    publisher->Up = false;
    // Code 0: our own disconnect at the end.
    if (code != 0)
        publisher->Tell(QStringLiteral("MQTT broker %1 lost; trying again").arg(publisher->Broker));
}

void MqttPublisher::Acknowledged(struct mosquitto *, void *self, int)
{
    --static_cast<MqttPublisher *>(self)->Waiting;
}

void MqttPublisher::Tell(const QString &text)
{
    QMetaObject::invokeMethod(&Context, [text] { Note(text); }, Qt::QueuedConnection);
}

} // namespace Cli
